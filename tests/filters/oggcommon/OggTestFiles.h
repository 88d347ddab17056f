#pragma once
// Ogg Vorbis helpers for tests that work without our filters: an encoder on libvorbisenc and
// libogg to make source files, a decoder on libvorbisfile to check what our filters wrote, and
// an independent page walker that checks capture patterns, CRCs and sequence numbers.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct OggEncodeOptions {
    float quality = 0.4f;
    int serial = 1234;
    std::vector<std::pair<std::string, std::string>> comments;  // tag, value
    // Pages are forced after this many audio packets (0: libogg's own rule).
    int packetsPerPage = 0;
};

// Encodes 16-bit-rounded audio (any channel count) as one Ogg Vorbis stream.
std::vector<uint8_t> EncodeOggVorbis(const PcmAudio& audio, const OggEncodeOptions& options = {});

struct VorbisPacket {
    std::vector<uint8_t> bytes;
    int64_t granule = -1;
    bool endOfStream = false;
};
struct VorbisPacketSet {
    std::vector<std::vector<uint8_t>> headers;  // identification, comment, setup
    std::vector<VorbisPacket> audio;
    int rate = 0;
    int channels = 0;
};
// The packets libvorbis makes for the audio, without Ogg framing.
VorbisPacketSet EncodeVorbisPackets(const PcmAudio& audio, const OggEncodeOptions& options = {});

struct VorbisFileDecode {
    bool ok = false;
    int channels = 0;
    long rate = 0;
    int64_t totalSamples = -1;  // ov_pcm_total
    std::vector<std::string> comments;
    PcmAudio audio;  // 16-bit values as doubles in [-1, 1)
    std::vector<int16_t> pcm16;
};
// Decodes the whole file with libvorbisfile (to 16-bit, little-endian, signed).
VorbisFileDecode DecodeWithVorbisfile(const std::vector<uint8_t>& bytes);

struct OggPageInfo {
    size_t offset = 0;
    size_t size = 0;
    uint8_t headerType = 0;
    int64_t granule = 0;
    uint32_t serial = 0;
    uint32_t sequence = 0;
    bool crcValid = false;
    int segments = 0;
    int completedPackets = 0;  // lacing values below 255
};
// Walks the pages from the start; stops at the first byte that does not begin a page.
std::vector<OggPageInfo> WalkOggPages(const std::vector<uint8_t>& bytes,
                                      size_t* consumed = nullptr);
// The CRC-32 of the Ogg framing (polynomial 0x04C11DB7, no reflection), computed here.
uint32_t OggCrc(const uint8_t* data, size_t size);

}  // namespace tarnel::test
