#pragma once
// CTabPage4 "OGG Settings": the Vorbis encoder record, quality based or bitrate based with one
// of four bitrate modes. Read again every time the page becomes current.
#include "settings/OggSettings.h"
#include "settings/dialogs/CQZPropertyPage.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;
class QSlider;

namespace tarnel::dialogs {

class CTabPage4 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CTabPage4(QWidget* parent = nullptr);
    void OnCreate() override;
    void OnSetActive() override;
    void OnOk() override;

    // The slider position that shows a stored quality: truncated, within 0..100.
    static int SliderPosition(double quality);

private:
    void FillLists();
    void ApplyEnablingRules();
    void ApplyModeRule();

    QRadioButton* bitrateBased_;
    QRadioButton* qualityBased_;
    QButtonGroup* modes_;  // id = bitrateMode
    QComboBox* minBitrate_;
    QComboBox* avgBitrate_;
    QComboBox* maxBitrate_;
    QSlider* quality_;
    QRadioButton* stereo_;
    QRadioButton* mono_;
    QComboBox* sampleRate_;
    OggSettings read_;
};

}  // namespace tarnel::dialogs
