#pragma once
// CTabPage3 "MP3 Settings": the MP3 encoder record. It is read again every time the page
// becomes current, so edits not yet accepted are dropped when the user leaves and returns.
#include "settings/Mp3Settings.h"
#include "settings/dialogs/CQZPropertyPage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSlider;

namespace tarnel::dialogs {

class CTabPage3 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CTabPage3(QWidget* parent = nullptr);
    void OnCreate() override;
    void OnSetActive() override;
    void OnOk() override;

    // The slider's tip for a quality position 0..9.
    static QString QualityTip(int position);

private:
    void ApplyBitrateRule();
    Mp3Settings FromControls() const;

    QRadioButton* cbr_;
    QRadioButton* vbr_;
    QComboBox* cbrBitrate_;
    QComboBox* minBitrate_;
    QComboBox* maxBitrate_;
    QComboBox* vbrQuality_;
    QSlider* quality_;
    QButtonGroup* channels_;  // id = channelMode
    QCheckBox* copyright_;
    QCheckBox* original_;
    QCheckBox* crc_;
    QComboBox* sampleRate_;
    Mp3Settings read_;
};

}  // namespace tarnel::dialogs
