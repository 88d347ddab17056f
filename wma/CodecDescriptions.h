#pragma once
// The descriptions the WMA settings page shows under the codec choice, found by the codec's
// name (compared in lower case). Codecs that match no rule have none; the page then keeps the
// text it showed before.
#include <optional>
#include <string>

namespace tarnel {

inline constexpr int kCodecDescriptionGeneric = 129;
inline constexpr int kCodecDescriptionVoice = 130;
inline constexpr int kCodecDescriptionProfessional = 132;
inline constexpr int kCodecDescriptionLossless = 135;
inline constexpr int kCodecDescriptionAcelp = 137;

// The string id for a codec name, rules tested in the order of the ids above.
std::optional<int> CodecDescriptionId(const std::string& codecName);

// The text of a string id; empty for an id that is not a codec description.
std::string CodecDescriptionText(int id);

}  // namespace tarnel
