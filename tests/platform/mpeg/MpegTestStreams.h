#pragma once
// MPEG audio for the splitter and decoder tests: real streams from LAME (called directly, not
// through the program's encoder), header-only frames for versions and layers LAME does not
// write, and the tags that surround audio in real files.
#include <cstdint>
#include <vector>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct LameOptions {
    int bitrate = 128;     // kbit/s (CBR) or the VBR maximum
    bool vbr = false;      // LAME's default VBR mode
    bool infoTag = false;  // a LAME/Xing info frame with delay and padding at the start
};

struct LameStream {
    std::vector<uint8_t> bytes;
    int encoderDelay = 0;
    int encoderPadding = 0;
    int frames = 0;  // audio frames (the info frame not counted)
};

LameStream EncodeWithLame(const PcmAudio& pcm, const LameOptions& options = {});

// `count` frames whose headers are real and whose payload is zero. versionId: 3 MPEG-1,
// 2 MPEG-2, 0 MPEG-2.5; layerId: 1 Layer III, 2 Layer II, 3 Layer I.
std::vector<uint8_t> MakeHeaderOnlyFrames(int versionId, int layerId, int bitrateIndex,
                                          int rateIndex, int count, bool mono = false);
int HeaderOnlyFrameBytes(int versionId, int layerId, int bitrateIndex, int rateIndex, bool padding);

// ID3v2.3 tag of `bodySize` bytes whose body is full of MPEG-looking byte runs.
std::vector<uint8_t> MakeId3v2(uint32_t bodySize);
// ID3v2 header that claims `claimedSize` bytes, followed by nothing.
std::vector<uint8_t> MakeId3v2Header(uint32_t claimedSize);
std::vector<uint8_t> MakeId3v1();
// APE tag v2 with `items` bytes of item data, with header and footer.
std::vector<uint8_t> MakeApeTag(uint32_t items);
std::vector<uint8_t> MakeLyrics3v2(uint32_t body);

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed);

}  // namespace tarnel::test
