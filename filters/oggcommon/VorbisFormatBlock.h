#pragma once
// VorbisFormatBlock: the 24-byte little-endian format block of a Vorbis packet stream
// (FORMAT_VorbisBlock), exchanged by the Vorbis encoder, the Ogg multiplexer, the Ogg splitter
// and the Vorbis decoder.
//
//   0 u16 channels, 2 two zero bytes, 4 u32 samplesPerSec,
//   8 i32 minBitsPerSec, 12 i32 avgBitsPerSec, 16 i32 maxBitsPerSec (-1: not set),
//   20 f32 quality (-0.1..1.0 selects quality VBR; -1.0 a bitrate mode)

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/MediaType.h"

namespace tarnel {

inline constexpr size_t kVorbisFormatBlockSize = 24;

struct VorbisFormatBlock {
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    int32_t minBitsPerSec = -1;
    int32_t avgBitsPerSec = -1;
    int32_t maxBitsPerSec = -1;
    float quality = -1.0f;

    friend bool operator==(const VorbisFormatBlock&, const VorbisFormatBlock&) = default;
};

std::vector<uint8_t> SerializeVorbisFormatBlock(const VorbisFormatBlock& block);
// nullopt when fewer than 24 bytes are given.
std::optional<VorbisFormatBlock> ParseVorbisFormatBlock(std::span<const uint8_t> bytes);

// MEDIATYPE_Audio / MEDIASUBTYPE_VorbisPackets / FORMAT_VorbisBlock with the block, variable
// sample size.
CMediaType MakeVorbisMediaType(const VorbisFormatBlock& block);
// True for that major type, subtype and format type.
bool IsVorbisMediaType(const CMediaType& type);
// The block of a Vorbis media type; nullopt for other types or a short block.
std::optional<VorbisFormatBlock> VorbisBlockOf(const CMediaType& type);

}  // namespace tarnel
