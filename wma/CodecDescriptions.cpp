#include "wma/CodecDescriptions.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <string_view>

namespace tarnel {
namespace {

bool ContainsAny(const std::string& text, std::initializer_list<std::string_view> parts) {
    return std::any_of(parts.begin(), parts.end(),
                       [&](std::string_view part) { return text.find(part) != std::string::npos; });
}

}  // namespace

std::optional<int> CodecDescriptionId(const std::string& codecName) {
    std::string name = codecName;
    // Byte-wise lower case: codec names are ASCII; other bytes stay as they are.
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(c < 0x80 ? std::tolower(c) : c); });
    if (name == "windows media audio 9" || name == "windows media audio 9.1") {
        return kCodecDescriptionGeneric;
    }
    if (ContainsAny(name, {"windows media audio 9 voice", "windows media audio 9.1 voice"})) {
        return kCodecDescriptionVoice;
    }
    if (ContainsAny(
            name, {"windows media audio 9 professional", "windows media audio 9.1 professional"})) {
        return kCodecDescriptionProfessional;
    }
    if (ContainsAny(name, {"windows media audio 9 lossless", "windows media audio 9.1 lossless"})) {
        return kCodecDescriptionLossless;
    }
    if (ContainsAny(name, {"acelp.net"})) return kCodecDescriptionAcelp;
    return std::nullopt;
}

std::string CodecDescriptionText(int id) {
    switch (id) {
        case kCodecDescriptionGeneric:
            return "Generic Windows Media codec suitable for a wide variety of audio such as "
                   "voice, music etc.";
        case kCodecDescriptionVoice:
            return "This codec is ideally suited for recording voice, usually at lower "
                   "qualities.\n\rCreates extremely small files suitable for telephone quality "
                   "voice or higher.";
        case kCodecDescriptionProfessional:
            return "This codec is perfect for creating extremely high quality audio used in "
                   "professional audio environments. Recommended for use with high end audio "
                   "hardware.";
        case kCodecDescriptionLossless:
            return "This codec compresses audio without any loss of quality. Ideal for "
                   "professional work when heavy editing and processing is the norm.";
        case kCodecDescriptionAcelp:
            return "Very low bit rate codec used in voice recoding, especially at telephone "
                   "quality.";
        default:
            return {};
    }
}

}  // namespace tarnel
