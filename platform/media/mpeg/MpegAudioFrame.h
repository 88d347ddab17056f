#pragma once
// Decoding of one MPEG audio frame header (MPEG-1, MPEG-2 and MPEG-2.5, layers I-III), shared by
// content sniffing and the MPEG audio splitter. Pure functions over four bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarnel::media {

struct MpegAudioFrame {
    int version = 0;  // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;    // 1, 2 or 3
    int bitrate = 0;  // bits per second
    int sampleRate = 0;
    int channels = 0;
    bool padding = false;
    bool crc = false;
    int samplesPerFrame = 0;
    int frameBytes = 0;  // whole frame including the header and padding
};

// Decodes the header in the first four bytes; nullopt for a free-format, reserved or invalid
// header (free format is refused because its frame length cannot be told from the header).
std::optional<MpegAudioFrame> ParseMpegAudioHeader(std::span<const uint8_t> bytes);

// Size of an ID3v2 tag starting at bytes[0] (header, body and footer), or 0 when there is none.
size_t Id3v2TagSize(std::span<const uint8_t> bytes);

}  // namespace tarnel::media
