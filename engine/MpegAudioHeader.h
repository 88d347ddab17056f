#pragma once
// The 32-bit header in front of every MPEG audio frame (MPEG-1, MPEG-2 and MPEG 2.5, layers
// I-III), read big-endian from four bytes, with the tables that turn it into a sample rate,
// a bitrate, a frame length and the number of samples the frame holds.
#include <cstdint>
#include <optional>
#include <span>

namespace tarnel {

enum class MpegVersion : uint8_t { Mpeg25 = 0, Reserved = 1, Mpeg2 = 2, Mpeg1 = 3 };

struct MpegAudioHeader {
    // Raw fields in header order.
    uint16_t sync = 0;            // 11 bits, 0x7FF in a real header
    uint8_t versionId = 0;        // 2 bits: 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    uint8_t layerId = 0;          // 2 bits: 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    uint8_t protection = 0;       // 1 bit, 0 means a CRC follows
    uint8_t bitrateIndex = 0;     // 4 bits, 0 free format, 15 invalid
    uint8_t sampleRateIndex = 0;  // 2 bits, 3 reserved
    uint8_t padding = 0;
    uint8_t privateBit = 0;
    uint8_t channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    uint8_t modeExtension = 0;
    uint8_t copyright = 0;
    uint8_t original = 0;
    uint8_t emphasis = 0;  // 2 is reserved

    static MpegAudioHeader Decode(uint32_t word);
    // Reads four bytes big-endian; the span must hold at least four.
    static MpegAudioHeader Decode(std::span<const uint8_t, 4> bytes);

    // True for a header a frame walk may trust: sync set, no reserved version, layer, sample
    // rate or emphasis, and a bitrate that is neither free format nor the invalid index.
    bool IsValid() const;

    MpegVersion Version() const { return static_cast<MpegVersion>(versionId); }
    int Layer() const { return layerId == 0 ? 0 : 4 - layerId; }  // 1, 2 or 3; 0 reserved

    // The following need IsValid().
    int SampleRate() const;       // Hz
    int BitrateKbps() const;      // kbit/s
    int SamplesPerFrame() const;  // per channel
    // Bytes from this header to the next one, padding slot included.
    int FrameLength() const;
};

}  // namespace tarnel
