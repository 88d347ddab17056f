#include "settings/dialogs/PcmFormatTable.h"

namespace tarnel::dialogs {

const std::array<PcmFormat, kPcmFormatCount>& PcmFormatTable() {
    static const auto table = [] {
        constexpr int32_t kRates[] = {8000,  11025, 16000, 22050, 32000,
                                      44100, 48000, 96000, 192000};
        std::array<PcmFormat, kPcmFormatCount> rows{};
        for (int r = 0; r < kPcmFormatCount; ++r) {
            rows[r] = {kRates[r / 4], (r & 2) ? 16 : 8, (r & 1) ? 2 : 1};
        }
        return rows;
    }();
    return table;
}

std::string PcmFormatLabel(int row) {
    if (row < 0 || row >= kPcmFormatCount) return {};
    const PcmFormat& f = PcmFormatTable()[row];
    std::string label = std::to_string(f.sampleRate) + "Hz, " + std::to_string(f.bitsPerSample) +
                        " bit, " + (f.channels == 2 ? "stereo" : "mono");
    switch (row) {
        case 0:
            return label + " [Telephone Quality]";
        case 23:
            return label + " [CD Quality]";
        case 27:
            return label + " [DAT Quality]";
        default:
            return label;
    }
}

}  // namespace tarnel::dialogs
