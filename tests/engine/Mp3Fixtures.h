#pragma once
// MPEG audio made of real frame headers and zeroed payloads: enough for a frame walk, with
// frame sizes worked out here from the standard formulas rather than by the code under test.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct MpegFrameSpec {
    int versionId = 3;        // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    int layerId = 1;          // 1 Layer III, 2 Layer II, 3 Layer I
    int bitrateIndex = 9;     // 128 kbit/s for MPEG 1 Layer III
    int sampleRateIndex = 0;  // 44100 Hz for MPEG 1
    int channelMode = 1;      // joint stereo
};

uint32_t MpegHeaderWord(const MpegFrameSpec& spec, bool padding);

// Appends `count` frames; padding is spread the way a constant-bitrate encoder spreads it, so
// the average frame length matches the nominal bitrate.
void AppendMpegFrames(std::vector<uint8_t>& out, const MpegFrameSpec& spec, int count);

std::vector<uint8_t> MakeMpegFrames(const MpegFrameSpec& spec, int count);

// An ID3v2.4 tag whose body is `bodySize` bytes of an "embedded picture" that is full of
// byte runs looking like MPEG-1 Layer III headers.
std::vector<uint8_t> MakeId3v2Tag(uint32_t bodySize, bool footer = false);

// Samples per frame and sample rate of a spec, from the standard tables.
int SpecSamplesPerFrame(const MpegFrameSpec& spec);
int SpecSampleRate(const MpegFrameSpec& spec);

// A real MP3 file of 16-bit PCM made with LAME's C interface (constant bitrate, no VBR header
// frame), for graphs that decode it.
void WriteLameMp3(const std::filesystem::path& path, const PcmAudio& audio, int kbps = 128);

}  // namespace tarnel::test
