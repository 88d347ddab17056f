#pragma once
// The volume bar "Playback volume": the preview volume slider (control 1000), 0..1000 with a
// page of 100, tool tip "Playback volume control". Its position is set by the main frame from
// "Playback Vol"; moving it reports the position to the frame.
#include <QGroupBox>

#include <functional>

class QSlider;

namespace tarnel::ui {

class CCoolBar2 : public QGroupBox {
    Q_OBJECT
public:
    explicit CCoolBar2(QWidget* parent = nullptr);

    QSlider& Slider() { return *slider_; }
    // Called with the position whenever the user moves the slider.
    std::function<void(int position)> onVolumeChanged;

private:
    QSlider* slider_;
};

}  // namespace tarnel::ui
