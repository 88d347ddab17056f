#pragma once
// The PCM formats the WAV page offers: 36 rows, row = 4 x (rate position) + 2 x (16 bit) +
// (stereo), rates 8000 to 192000 Hz, 8 bit before 16, mono before stereo. The row number is what
// WavSettings::pcmFormatIndex stores.
#include <array>
#include <cstdint>
#include <string>

namespace tarnel::dialogs {

struct PcmFormat {
    int32_t sampleRate;
    int32_t bitsPerSample;
    int32_t channels;
};

inline constexpr int kPcmFormatCount = 36;

const std::array<PcmFormat, kPcmFormatCount>& PcmFormatTable();
// "8000Hz, 16 bit, stereo"; rows 0, 23 and 27 name their quality.
std::string PcmFormatLabel(int row);

}  // namespace tarnel::dialogs
