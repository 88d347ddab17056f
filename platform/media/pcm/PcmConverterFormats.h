#pragma once
// Format negotiation of the PCM converter as pure functions over format blocks: what it accepts,
// what it offers downstream, and whether a pair can be converted.
#include <cstdint>
#include <span>
#include <vector>

#include "framework/WaveFormat.h"

namespace tarnel::media {

// Input the converter takes: uncompressed integer or float audio (plain or extensible).
bool IsPcmConverterInput(std::span<const uint8_t> formatBlock);

// Output the converter produces: an 18-byte (or extensible) integer PCM or float block that
// IsConvertiblePcm accepts.
bool IsPcmConverterOutput(std::span<const uint8_t> formatBlock);

// The outputs offered to intelligent connection for a given input, most natural first: the
// input's rate and channels at 16 bits, then at the input's own integer size, then the common
// rates (44100, 48000, 32000, 22050, 16000, 11025, 8000) in stereo and mono at 16 and 8 bits.
// Without an input the common list alone.
std::vector<std::vector<uint8_t>> ProposedPcmOutputs(const std::vector<uint8_t>* inputBlock);

}  // namespace tarnel::media
