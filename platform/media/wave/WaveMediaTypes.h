#pragma once
// The media types the WAVE parser offers for a file's format block, as a pure function so the
// fuzz target and tests can check them without a graph.
#include <cstdint>
#include <span>
#include <vector>

#include "framework/MediaType.h"

namespace tarnel::media {

// The block as stored, typed MEDIATYPE_Audio with the subtype of its format tag (the
// sub-format for WAVE_FORMAT_EXTENSIBLE) and FORMAT_WaveFormatEx. For an extensible block of
// plain PCM or float in one or two channels with every bit valid, an 18-byte equivalent follows
// as a second choice, so filters that take only the plain form connect without a converter.
// Empty when the block is not a wave format.
std::vector<CMediaType> WaveOutputTypes(std::span<const uint8_t> formatBlock);

}  // namespace tarnel::media
