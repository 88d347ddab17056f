#include "ui/CCoolBar2.h"

#include <QSlider>
#include <QVBoxLayout>

namespace tarnel::ui {

CCoolBar2::CCoolBar2(QWidget* parent)
    : QGroupBox(QStringLiteral("Playback volume"), parent),
      slider_(new QSlider(Qt::Horizontal, this)) {
    setAccessibleName(QStringLiteral("Playback volume"));
    slider_->setObjectName(QStringLiteral("volumeSlider"));
    slider_->setRange(0, 1000);
    slider_->setPageStep(100);
    slider_->setSingleStep(10);
    slider_->setToolTip(QStringLiteral("Playback volume control"));
    slider_->setAccessibleName(QStringLiteral("Playback volume control"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(slider_);
    // Only the user's moves count (keys, clicks, wheel and each step of a drag); the frame's
    // own setValue at start is not reported back.
    connect(slider_, &QSlider::actionTriggered, this, [this] {
        if (onVolumeChanged) onVolumeChanged(slider_->sliderPosition());
    });
}

}  // namespace tarnel::ui
