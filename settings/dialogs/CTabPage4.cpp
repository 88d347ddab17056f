#include "settings/dialogs/CTabPage4.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
namespace {

QString LevelTip(int position) {
    return QStringLiteral("Ogg Quality level: %1").arg(position);
}

}  // namespace

int CTabPage4::SliderPosition(double quality) {
    if (std::isnan(quality)) return 0;
    return static_cast<int>(std::clamp(quality, 0.0, 100.0));
}

CTabPage4::CTabPage4(QWidget* parent)
    : CQZPropertyPage(parent),
      bitrateBased_(NamedRadio(QStringLiteral("&Bitrate based"))),
      qualityBased_(NamedRadio(QStringLiteral("&Quality based"))),
      modes_(new QButtonGroup(this)),
      minBitrate_(new QComboBox),
      avgBitrate_(new QComboBox),
      maxBitrate_(new QComboBox),
      quality_(new QSlider(Qt::Horizontal)),
      stereo_(NamedRadio(QStringLiteral("S&tereo"))),
      mono_(NamedRadio(QStringLiteral("M&ono"))),
      sampleRate_(new QComboBox) {
    FillLists();  // their values also size the page before its first showing
    quality_->setRange(0, 100);
    quality_->setTickInterval(5);
    quality_->setTickPosition(QSlider::TicksBelow);
    quality_->setPageStep(5);

    auto* strategy = new QGroupBox(QStringLiteral("Select Encoding Strategy"));
    auto* strategyRow = new QHBoxLayout(strategy);
    auto* strategyGroup = new QButtonGroup(this);
    strategyGroup->addButton(bitrateBased_);
    strategyGroup->addButton(qualityBased_);
    strategyRow->addWidget(bitrateBased_);
    strategyRow->addWidget(qualityBased_);
    strategyRow->addStretch(1);

    auto* bitrates = new QGroupBox(QStringLiteral("Set Bitrates"));
    auto* grid = new QGridLayout(bitrates);
    const char* const kModeLabels[] = {"&VBR", "VBR [&Managed]", "&ABR", "&CBR"};
    const char* const kModeTips[] = {
        "True VBR mode. Specify the desired minimum, average, and maximum bit rate values",
        "Managed VBR mode. Suggest a bit rate and let the engine optimize the VBR mode",
        "Average bit rate mode. Specify the desired average bit rate value",
        "Constant bit rate mode. Specify the fixed bit rate value"};
    auto* modeRow = new QHBoxLayout;
    for (int mode = 0; mode < 4; ++mode) {
        QRadioButton* button = NamedRadio(QString::fromUtf8(kModeLabels[mode]));
        modes_->addButton(button, mode);
        modeRow->addWidget(button);
        ToolTips().AddTool(button, QString::fromUtf8(kModeTips[mode]));
    }
    modeRow->addStretch(1);
    grid->addLayout(modeRow, 0, 0, 1, 3);
    grid->addWidget(BuddyLabel(QStringLiteral("Minimum bitrate: "), minBitrate_), 1, 0);
    grid->addWidget(minBitrate_, 1, 1);
    grid->addWidget(BuddyLabel(QStringLiteral("Average Bitrate:"), avgBitrate_), 2, 0);
    grid->addWidget(avgBitrate_, 2, 1);
    auto* note = new QLabel(QStringLiteral("Also used to specify single bit rate values"));
    grid->addWidget(note, 2, 2);
    grid->addWidget(BuddyLabel(QStringLiteral("Maximum Bitrate:"), maxBitrate_), 3, 0);
    grid->addWidget(maxBitrate_, 3, 1);
    grid->setColumnStretch(2, 1);

    auto* encoding = new QGroupBox(QStringLiteral("Set Encoding Quality"));
    auto* encodingRow = new QHBoxLayout(encoding);
    encodingRow->addWidget(BuddyLabel(QStringLiteral("Encoding Quality:"), quality_));
    encodingRow->addWidget(quality_, 1);

    auto* rate = new QGroupBox(QStringLiteral("Sampling Rate"));
    (new QVBoxLayout(rate))->addWidget(Named(sampleRate_, rate->title()));
    auto* channels = new QGroupBox(QStringLiteral("Channels"));
    auto* channelRow = new QHBoxLayout(channels);
    auto* channelGroup = new QButtonGroup(this);
    channelGroup->addButton(stereo_);
    channelGroup->addButton(mono_);
    channelRow->addWidget(stereo_);
    channelRow->addWidget(mono_);
    channelRow->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(rate);
    bottom->addWidget(channels, 1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(strategy);
    page->addWidget(bitrates);
    page->addWidget(encoding);
    page->addLayout(bottom);
    page->addStretch(1);

    CQzToolTipCtrl& tips = ToolTips();
    tips.AddTool(bitrateBased_,
                 QStringLiteral("Specify bit rates and encoding modes for encoding manually."));
    tips.AddTool(qualityBased_, QStringLiteral("Specify a quality value and let the engine decide "
                                               "appropriate parameters."));
    tips.AddTool(minBitrate_, QStringLiteral("Select the minimum ogg audio bitrate"));
    tips.AddTool(avgBitrate_, QStringLiteral("Select the average ogg audio bitrate"));
    tips.AddTool(maxBitrate_, QStringLiteral("Select the maximum ogg audio bitrate"));
    tips.AddTool(quality_,
                 QStringLiteral("Set a quality level: higher numbers imply higher quality"));
    tips.AddTool(mono_, QStringLiteral("Select this for single-channel Ogg audio"));
    tips.AddTool(stereo_, QStringLiteral("Select this for two-channel Ogg audio"));
    tips.AddTool(sampleRate_, QStringLiteral("Select a sampling rate"));

    connect(bitrateBased_, &QRadioButton::clicked, this, &CTabPage4::ApplyEnablingRules);
    connect(qualityBased_, &QRadioButton::clicked, this, &CTabPage4::ApplyEnablingRules);
    connect(modes_, &QButtonGroup::idClicked, this, &CTabPage4::ApplyModeRule);
    const auto retip = [this] { ToolTips().AddTool(quality_, LevelTip(quality_->value())); };
    connect(quality_, &QSlider::valueChanged, this, retip);
    connect(quality_, &QSlider::sliderReleased, this, retip);
}

void CTabPage4::FillLists() {
    FillNumbers(minBitrate_, kOggBitrates);
    FillNumbers(avgBitrate_, kOggBitrates);
    FillNumbers(maxBitrate_, kOggBitrates);
    FillNumbers(sampleRate_, kSampleRates);
}

void CTabPage4::OnCreate() {
    FillLists();
    const QSignalBlocker quiet(quality_);
    quality_->setValue(50);
    ToolTips().AddTool(quality_,
                       QStringLiteral("Set a quality level: higher numbers imply higher quality"));
}

void CTabPage4::OnSetActive() {
    read_ = OggSettings{};
    SettingsStore().ReadOggSettings(read_);
    SelectNumber(minBitrate_, read_.minBitrate);
    SelectNumber(avgBitrate_, read_.avgBitrate);
    SelectNumber(maxBitrate_, read_.maxBitrate);
    SelectNumber(sampleRate_, read_.sampleRate);
    {
        const QSignalBlocker quiet(quality_);
        quality_->setValue(SliderPosition(read_.quality));
    }
    (read_.qualityBased ? qualityBased_ : bitrateBased_)->setChecked(true);
    CheckInGroup(modes_, read_.bitrateMode);
    if (read_.channels == 1) {
        mono_->setChecked(true);
    } else {
        stereo_->setChecked(true);
    }
    ApplyEnablingRules();
    ApplyToolTipSetting();
}

void CTabPage4::ApplyEnablingRules() {
    const bool byQuality = qualityBased_->isChecked();
    quality_->setEnabled(byQuality);
    avgBitrate_->setEnabled(!byQuality);
    for (QAbstractButton* mode : modes_->buttons()) mode->setEnabled(!byQuality);
    if (byQuality) {
        minBitrate_->setEnabled(false);
        maxBitrate_->setEnabled(false);
    } else {
        ApplyModeRule();
    }
}

void CTabPage4::ApplyModeRule() {
    // Only true VBR takes a minimum and a maximum.
    const bool trueVbr = modes_->checkedId() == 0;
    minBitrate_->setEnabled(trueVbr);
    maxBitrate_->setEnabled(trueVbr);
    avgBitrate_->setEnabled(true);
}

void CTabPage4::OnOk() {
    OggSettings chosen = read_;  // lists and mode buttons without a selection keep their field
    TakeNumber(minBitrate_, chosen.minBitrate);
    TakeNumber(avgBitrate_, chosen.avgBitrate);
    TakeNumber(maxBitrate_, chosen.maxBitrate);
    TakeNumber(sampleRate_, chosen.sampleRate);
    chosen.qualityBased = qualityBased_->isChecked() ? 1 : 0;
    if (modes_->checkedId() >= 0) chosen.bitrateMode = modes_->checkedId();
    // The slider shows the stored quality truncated: left where it was shown, the stored value
    // stays (the default 0.5 is not turned into 0 by merely looking at the page).
    if (quality_->value() != SliderPosition(read_.quality)) chosen.quality = quality_->value();
    chosen.channels = mono_->isChecked() ? 1 : 2;
    if (chosen.ToBytes() == read_.ToBytes()) return;  // padding excluded, NaN as stored
    SettingsStore().WriteOggSettings(chosen);
    Notify(kRecordStored, static_cast<int>(ExportFormat::Ogg));
}

}  // namespace tarnel::dialogs
