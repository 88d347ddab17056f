#include "settings/dialogs/CTabPage5.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <string_view>

#include "engine/FilterCatalogue.h"
#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/PageControls.h"
#include "settings/dialogs/PcmFormatTable.h"

namespace tarnel::dialogs {
bool CTabPage5::IsExcludedCompressor(const std::string& name) {
    static constexpr std::array<std::string_view, 8> kExcluded = {
        "vorbis encoder", "mobile voice",           "microsoft g.723.1",      "acelp.net",
        "sharp g.726",    "windows media audio v1", "windows media audio v2", "iac2"};
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kExcluded.begin(), kExcluded.end(), lower) != kExcluded.end();
}

CTabPage5::CTabPage5(DeviceEnumeratorFactory compressors, QWidget* parent)
    : CQZPropertyPage(parent),
      compressors_(std::move(compressors)),
      pcm_(NamedRadio(QStringLiteral("&Uncompressed PCM WAV Audio"))),
      compressed_(NamedRadio(QStringLiteral("&Compressed WAV Audio"))),
      compressorList_(new QComboBox),
      pcmList_(new QComboBox) {
    auto* group = new QGroupBox(QStringLiteral("Configure WAV Format Parameters"), this);
    auto* grid = new QGridLayout(group);
    auto* choice = new QButtonGroup(this);
    choice->addButton(pcm_);
    choice->addButton(compressed_);
    grid->addWidget(pcm_, 0, 0, 1, 2);
    grid->addWidget(BuddyLabel(QStringLiteral("Select format:"), pcmList_), 1, 0);
    grid->addWidget(pcmList_, 1, 1);
    grid->addWidget(compressed_, 2, 0, 1, 2);
    grid->addWidget(BuddyLabel(QStringLiteral("Select Compressor:"), compressorList_), 3, 0);
    grid->addWidget(compressorList_, 3, 1);
    grid->setColumnMinimumWidth(0, 24);
    grid->setColumnStretch(1, 1);
    auto* note = new QLabel(QStringLiteral(
        "Note: The list may contain compressors that may not work correctly with this "
        "application or even induce instability. In that case, please avoid using the "
        "particular compressor again."));
    note->setWordWrap(true);
    grid->addWidget(note, 4, 0, 1, 2);
    // Wide enough for the longest row label, "8000Hz, 8 bit, mono [Telephone Quality]".
    pcmList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    pcmList_->setMinimumContentsLength(40);
    compressorList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    compressorList_->setMinimumContentsLength(40);
    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);

    connect(pcm_, &QRadioButton::clicked, this, &CTabPage5::ApplyChoiceRule);
    connect(compressed_, &QRadioButton::clicked, this, &CTabPage5::ApplyChoiceRule);
}

void CTabPage5::OnCreate() {
    read_ = WavSettings{};
    SettingsStore().ReadWavSettings(read_);
    (read_.compressorIndex == -1 ? pcm_ : compressed_)->setChecked(true);
    ApplyChoiceRule();

    compressorList_->clear();
    enumerationPositions_.clear();
    std::vector<std::string> names;
    try {
        FilterCatalogue catalogue(compressors_);
        (void)catalogue.ListNames(FilterCatalogue::kAudioCompressors);  // empty: no entries
        names = catalogue.Names(FilterCatalogue::kAudioCompressors);
    } catch (const std::exception&) {
        // No enumeration: the compressor list stays empty, PCM remains available.
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (IsExcludedCompressor(names[i])) continue;
        compressorList_->addItem(QString::fromStdString(names[i]));
        enumerationPositions_.push_back(static_cast<int32_t>(i));
    }

    pcmList_->clear();
    for (int row = 0; row < kPcmFormatCount; ++row) {
        pcmList_->addItem(QString::fromStdString(PcmFormatLabel(row)));
    }
    const int32_t listIndex = read_.compressorListIndex == -1 ? 0 : read_.compressorListIndex;
    compressorList_->setCurrentIndex(listIndex < compressorList_->count() ? listIndex : -1);
    pcmList_->setCurrentIndex(read_.pcmFormatIndex >= 0 && read_.pcmFormatIndex < kPcmFormatCount
                                  ? read_.pcmFormatIndex
                                  : -1);
    ApplyToolTipSetting();
}

void CTabPage5::ApplyChoiceRule() {
    pcmList_->setEnabled(pcm_->isChecked());
    compressorList_->setEnabled(compressed_->isChecked());
}

void CTabPage5::OnOk() {
    WavSettings chosen = read_;  // a list without a selection keeps the stored choice
    const WavSettings defaults;
    if (compressed_->isChecked()) {
        const int position = compressorList_->currentIndex();
        if (position < 0 || position >= static_cast<int>(enumerationPositions_.size())) return;
        chosen.compressorListIndex = position;
        chosen.compressorIndex = enumerationPositions_[position];
        chosen.SetCompressorName(compressorList_->itemText(position).toStdString());
        chosen.pcmFormatIndex = defaults.pcmFormatIndex;
        chosen.sampleRate = defaults.sampleRate;
        chosen.channels = defaults.channels;
        chosen.bitsPerSample = defaults.bitsPerSample;
    } else {
        const int row = pcmList_->currentIndex();
        if (row >= 0 && row < kPcmFormatCount) {
            const PcmFormat& format = PcmFormatTable()[row];
            chosen.pcmFormatIndex = row;
            chosen.sampleRate = format.sampleRate;
            chosen.bitsPerSample = format.bitsPerSample;
            chosen.channels = format.channels;
        }
        chosen.compressorIndex = -1;
        chosen.compressorListIndex = -1;
        chosen.SetCompressorName({});
    }
    // The name alone is not compared: the positions decide.
    if (chosen.compressorIndex == read_.compressorIndex &&
        chosen.compressorListIndex == read_.compressorListIndex &&
        chosen.pcmFormatIndex == read_.pcmFormatIndex && chosen.sampleRate == read_.sampleRate &&
        chosen.channels == read_.channels && chosen.bitsPerSample == read_.bitsPerSample) {
        return;
    }
    SettingsStore().WriteWavSettings(chosen);
    Notify(kRecordStored, static_cast<int>(ExportFormat::Wav));
}

}  // namespace tarnel::dialogs
