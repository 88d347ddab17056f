#include "filters/oggcommon/VorbisFormatBlock.h"

#include <bit>
#include <cstring>

namespace tarnel {

std::vector<uint8_t> SerializeVorbisFormatBlock(const VorbisFormatBlock& block) {
    std::vector<uint8_t> bytes(kVorbisFormatBlockSize, 0);
    WriteLe16(&bytes[0], block.channels);
    WriteLe32(&bytes[4], block.samplesPerSec);
    WriteLe32(&bytes[8], static_cast<uint32_t>(block.minBitsPerSec));
    WriteLe32(&bytes[12], static_cast<uint32_t>(block.avgBitsPerSec));
    WriteLe32(&bytes[16], static_cast<uint32_t>(block.maxBitsPerSec));
    WriteLe32(&bytes[20], std::bit_cast<uint32_t>(block.quality));
    return bytes;
}

std::optional<VorbisFormatBlock> ParseVorbisFormatBlock(std::span<const uint8_t> bytes) {
    if (bytes.size() < kVorbisFormatBlockSize) return std::nullopt;
    VorbisFormatBlock block;
    block.channels = ReadLe16(&bytes[0]);
    block.samplesPerSec = ReadLe32(&bytes[4]);
    block.minBitsPerSec = static_cast<int32_t>(ReadLe32(&bytes[8]));
    block.avgBitsPerSec = static_cast<int32_t>(ReadLe32(&bytes[12]));
    block.maxBitsPerSec = static_cast<int32_t>(ReadLe32(&bytes[16]));
    block.quality = std::bit_cast<float>(ReadLe32(&bytes[20]));
    return block;
}

CMediaType MakeVorbisMediaType(const VorbisFormatBlock& block) {
    CMediaType type(MEDIATYPE_Audio, MEDIASUBTYPE_VorbisPackets, FORMAT_VorbisBlock);
    type.SetVariableSize();
    type.format = SerializeVorbisFormatBlock(block);
    return type;
}

bool IsVorbisMediaType(const CMediaType& type) {
    return type.majortype == MEDIATYPE_Audio && type.subtype == MEDIASUBTYPE_VorbisPackets &&
           type.formattype == FORMAT_VorbisBlock;
}

std::optional<VorbisFormatBlock> VorbisBlockOf(const CMediaType& type) {
    if (!IsVorbisMediaType(type)) return std::nullopt;
    return ParseVorbisFormatBlock(type.format);
}

}  // namespace tarnel
