#pragma once
// The export format codes as stored in "Format", and their output extensions.
#include <cstdint>
#include <string>

namespace tarnel {

enum class ExportFormat : int32_t {
    Wma = 200,
    Mp3 = 201,
    Ogg = 202,
    Wav = 203,
};

// The format the start-up pass stores and a failed read of "Format" reports.
inline constexpr int32_t kDefaultExportFormat = static_cast<int32_t>(ExportFormat::Wma);

// ".wma", ".mp3", ".ogg" or ".wav" for the codes 200..203; empty for any other code.
inline std::string ExtensionOf(int32_t code) {
    switch (code) {
        case static_cast<int32_t>(ExportFormat::Wma):
            return ".wma";
        case static_cast<int32_t>(ExportFormat::Mp3):
            return ".mp3";
        case static_cast<int32_t>(ExportFormat::Ogg):
            return ".ogg";
        case static_cast<int32_t>(ExportFormat::Wav):
            return ".wav";
        default:
            return {};
    }
}

}  // namespace tarnel
