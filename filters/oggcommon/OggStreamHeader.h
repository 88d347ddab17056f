#pragma once
// Streams framed as "Direct Show Samples embedded in Ogg" (video, PCM-style audio, text).
//
// Packet 0 of such a stream is 0x01 followed by the stream header record (56 bytes plus, for
// audio, the bytes that follow the WAVEFORMATEX); every data packet starts with a flags byte
// (bit 0 clear; bit 3 sync point; the count n of length bytes with its low two bits in bits 6-7
// and its bit 2 in bit 1), then n bytes giving the packet's duration in stream units (least
// significant first; none when the duration is 1), then the payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/MediaType.h"

namespace tarnel {

inline constexpr size_t kOggStreamHeaderSize = 56;
// Larger records are refused when reading: no real format needs more.
inline constexpr size_t kMaxOggStreamHeaderSize = 64 * 1024;
inline constexpr size_t kVideoInfoHeaderSize = 88;
// The VIDEOINFOHEADER block the splitter offers (header plus room for colour tables).
inline constexpr size_t kVideoInfoBlockSize = 1128;
// The text that opens the older header form.
inline constexpr char kOldDirectShowSignature[] = "Direct Show Samples embedded in Ogg";

enum class OggStreamKind { Video, Audio, Text };

struct OggStreamHeader {
    OggStreamKind kind = OggStreamKind::Audio;
    uint8_t subtype[4] = {0, 0, 0, 0};
    int32_t size = kOggStreamHeaderSize;
    int64_t timeUnit = 0;        // 100 ns per unit
    int64_t samplesPerUnit = 0;  // samples per unit
    int32_t defaultLength = 1;
    int32_t bufferSize = 0;
    int16_t bitsPerSample = 0;
    // Video: width and height. Audio: channels (low 16 bits) and block align (high 16 bits) in
    // `width`, average bytes per second in `height`.
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> extra;  // audio: the bytes after the WAVEFORMATEX

    int16_t Channels() const { return static_cast<int16_t>(width & 0xFFFF); }
    int16_t BlockAlign() const { return static_cast<int16_t>((width >> 16) & 0xFFFF); }
};

// The record bytes (without the leading 0x01).
std::vector<uint8_t> SerializeStreamHeader(const OggStreamHeader& header);
// Reads a record (without the leading 0x01); nullopt for an unknown stream type, a record
// size below 56 or beyond the bytes given or kMaxOggStreamHeaderSize.
std::optional<OggStreamHeader> ParseStreamHeader(std::span<const uint8_t> record);

// Builds the record for an input type the multiplexer accepts (video with VIDEOINFOHEADER,
// audio with WAVEFORMATEX, text); bufferSize is the upstream allocator's buffer size.
std::optional<OggStreamHeader> StreamHeaderForMediaType(const CMediaType& type, int32_t bufferSize);
// The media type the splitter offers for a record.
CMediaType MediaTypeForStreamHeader(const OggStreamHeader& header);

// The older header form: the packet (with its leading 0x01) opens with the signature and
// embeds a VIDEOINFOHEADER or WAVEFORMATEX after the format GUID (FORMAT_VideoInfo or
// FORMAT_WaveFormatEx) stored in it. nullopt when it is not one or cannot be read.
std::optional<OggStreamHeader> ParseOldDirectShowHeader(std::span<const uint8_t> packet);
bool HasOldDirectShowSignature(std::span<const uint8_t> packet);

// Writes the flags and length bytes for a data packet into out (at most 5 bytes) and returns
// their count. A duration of 1 (or less) takes no length bytes.
size_t WritePacketFraming(uint8_t* out, bool syncPoint, int64_t duration);

struct PacketFraming {
    bool syncPoint = false;
    int64_t duration = 1;
    size_t headerLength = 1;  // flags byte plus length bytes
};
// Reads the framing of a data packet; nullopt for an empty packet, a header packet (bit 0 set)
// or length bytes running past the packet.
std::optional<PacketFraming> ReadPacketFraming(std::span<const uint8_t> packet);

}  // namespace tarnel
