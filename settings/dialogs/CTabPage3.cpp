#include "settings/dialogs/CTabPage3.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
QString CTabPage3::QualityTip(int position) {
    static const char* const kTips[] = {
        "Encoding Quality: Best, slow",          "Encoding Quality: Near-best, not too slow",
        "Encoding Quality: Good, fast",          "Encoding Quality: Decent, very fast",
        "Encoding Quality: Low, lightning fast",
    };
    return QString::fromUtf8(kTips[std::clamp(position, 0, 9) / 2]);
}

CTabPage3::CTabPage3(QWidget* parent)
    : CQZPropertyPage(parent),
      cbr_(NamedRadio(QStringLiteral("&CBR"))),
      vbr_(NamedRadio(QStringLiteral("&VBR"))),
      cbrBitrate_(new QComboBox),
      minBitrate_(new QComboBox),
      maxBitrate_(new QComboBox),
      vbrQuality_(new QComboBox),
      quality_(new QSlider(Qt::Horizontal)),
      channels_(new QButtonGroup(this)),
      copyright_(NamedCheck(QStringLiteral("Co&pyright"))),
      original_(NamedCheck(QStringLiteral("&Original"))),
      crc_(NamedCheck(QStringLiteral("C&RC Checksum"))),
      sampleRate_(new QComboBox) {
    FillNumbers(cbrBitrate_, kMp3Bitrates);
    FillNumbers(minBitrate_, kMp3Bitrates);
    FillNumbers(maxBitrate_, kMp3Bitrates);
    for (int q = 0; q <= 9; ++q) vbrQuality_->addItem(QString::number(q), q);
    FillNumbers(sampleRate_, kSampleRates);
    quality_->setRange(0, 9);
    quality_->setTickInterval(1);
    quality_->setTickPosition(QSlider::TicksBelow);
    quality_->setPageStep(1);

    auto* rateMode = new QButtonGroup(this);
    rateMode->addButton(cbr_);
    rateMode->addButton(vbr_);

    auto* bitrate = new QGroupBox(QStringLiteral("Choose bitrate"));
    auto* bitrateGrid = new QGridLayout(bitrate);
    bitrateGrid->addWidget(cbr_, 0, 0);
    bitrateGrid->addWidget(BuddyLabel(QStringLiteral("Constant bitrate"), cbrBitrate_), 0, 1);
    bitrateGrid->addWidget(cbrBitrate_, 0, 2);
    bitrateGrid->addWidget(vbr_, 1, 0);
    bitrateGrid->addWidget(BuddyLabel(QStringLiteral("Minimum bitrate"), minBitrate_), 1, 1);
    bitrateGrid->addWidget(minBitrate_, 1, 2);
    bitrateGrid->addWidget(BuddyLabel(QStringLiteral("Maximum bitrate"), maxBitrate_), 2, 1);
    bitrateGrid->addWidget(maxBitrate_, 2, 2);
    bitrateGrid->addWidget(BuddyLabel(QStringLiteral("VBR Quality:"), vbrQuality_), 3, 1);
    bitrateGrid->addWidget(vbrQuality_, 3, 2);
    bitrateGrid->setColumnStretch(3, 1);

    auto* encoding = new QGroupBox(QStringLiteral("Set Encoding Quality"));
    (new QVBoxLayout(encoding))->addWidget(Named(quality_, encoding->title()));

    auto* metadata = new QGroupBox(QStringLiteral("MP3 metadata"));
    auto* metadataRow = new QHBoxLayout(metadata);
    metadataRow->addWidget(copyright_);
    metadataRow->addWidget(original_);
    metadataRow->addWidget(crc_);
    metadataRow->addStretch(1);

    auto* rate = new QGroupBox(QStringLiteral("Sampling Rate"));
    (new QVBoxLayout(rate))->addWidget(Named(sampleRate_, rate->title()));

    auto* channelBox = new QGroupBox(QStringLiteral("Channels"));
    auto* channelRow = new QHBoxLayout(channelBox);
    const char* const kChannelLabels[] = {"&Mono", "&Stereo", "&Joint Stereo"};
    const char* const kChannelTips[] = {
        "Select this for single-channel MP3 audio", "Select this for two-channel MP3 audio",
        "Select this for two-channel MP3 audio that compresses more"};
    for (int mode = 0; mode < 3; ++mode) {
        QRadioButton* button = NamedRadio(QString::fromUtf8(kChannelLabels[mode]));
        channels_->addButton(button, mode);
        channelRow->addWidget(button);
        ToolTips().AddTool(button, QString::fromUtf8(kChannelTips[mode]));
    }
    channelRow->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(rate);
    bottom->addWidget(channelBox, 1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(bitrate);
    page->addWidget(encoding);
    page->addWidget(metadata);
    page->addLayout(bottom);
    page->addStretch(1);

    CQzToolTipCtrl& tips = ToolTips();
    tips.AddTool(cbr_, QStringLiteral("Constant Bitrate MP3 Stream"));
    tips.AddTool(cbrBitrate_, QStringLiteral("Select a bitrate value"));
    tips.AddTool(vbr_, QStringLiteral("Variable Bitrate MP3 Stream"));
    tips.AddTool(minBitrate_, QStringLiteral("Select the minimum bitrate value"));
    tips.AddTool(maxBitrate_, QStringLiteral("Select the maximum bitrate value"));
    tips.AddTool(vbrQuality_, QStringLiteral("Select VBR quality. Zero (0) is the best"));
    tips.AddTool(copyright_, QStringLiteral("Indicate whether the MP3 file is copyrighted"));
    tips.AddTool(original_, QStringLiteral("Indicate whether the MP3 file is original"));
    tips.AddTool(crc_, QStringLiteral("Check this to add a CRC checksum"));
    tips.AddTool(quality_, QStringLiteral("Control encoding quality"));
    tips.AddTool(sampleRate_, QStringLiteral("Select a sampling rate"));

    connect(cbr_, &QRadioButton::clicked, this, &CTabPage3::ApplyBitrateRule);
    connect(vbr_, &QRadioButton::clicked, this, &CTabPage3::ApplyBitrateRule);
    const auto retip = [this] { ToolTips().AddTool(quality_, QualityTip(quality_->value())); };
    connect(quality_, &QSlider::valueChanged, this, retip);
    connect(quality_, &QSlider::sliderReleased, this, retip);
}

void CTabPage3::OnCreate() {
    ToolTips().AddTool(quality_, QStringLiteral("Control encoding quality"));
}

void CTabPage3::OnSetActive() {
    read_ = Mp3Settings{};
    SettingsStore().ReadMp3Settings(read_);
    SelectNumber(cbrBitrate_, read_.cbrBitrate);
    SelectNumber(minBitrate_, read_.minBitrate);
    SelectNumber(maxBitrate_, read_.maxBitrate);
    SelectNumber(vbrQuality_, read_.vbrQuality);
    SelectNumber(sampleRate_, read_.sampleRate);
    {
        const QSignalBlocker quiet(quality_);  // showing the record is no move of the user's
        quality_->setValue(read_.encodingQuality);
    }
    (read_.constantBitrate ? cbr_ : vbr_)->setChecked(true);
    CheckInGroup(channels_, read_.channelMode);
    copyright_->setChecked(read_.copyright != 0);
    original_->setChecked(read_.original != 0);
    crc_->setChecked(read_.crc != 0);
    ApplyBitrateRule();
    ApplyToolTipSetting();
}

void CTabPage3::ApplyBitrateRule() {
    const bool constant = cbr_->isChecked();
    cbrBitrate_->setEnabled(constant);
    minBitrate_->setEnabled(!constant);
    maxBitrate_->setEnabled(!constant);
    vbrQuality_->setEnabled(!constant);
}

Mp3Settings CTabPage3::FromControls() const {
    Mp3Settings s = read_;  // lists without a selection keep their field
    TakeNumber(cbrBitrate_, s.cbrBitrate);
    TakeNumber(minBitrate_, s.minBitrate);
    TakeNumber(maxBitrate_, s.maxBitrate);
    TakeNumber(vbrQuality_, s.vbrQuality);
    TakeNumber(sampleRate_, s.sampleRate);
    s.encodingQuality = quality_->value();
    if (channels_->checkedId() >= 0) s.channelMode = channels_->checkedId();
    s.copyright = copyright_->isChecked() ? 1 : 0;
    s.original = original_->isChecked() ? 1 : 0;
    s.crc = crc_->isChecked() ? 1 : 0;
    s.constantBitrate = cbr_->isChecked() ? 1 : 0;
    return s;
}

void CTabPage3::OnOk() {
    const Mp3Settings chosen = FromControls();
    if (chosen == read_) return;
    SettingsStore().WriteMp3Settings(chosen);
    Notify(kRecordStored, static_cast<int>(ExportFormat::Mp3));
}

}  // namespace tarnel::dialogs
