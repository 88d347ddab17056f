#pragma once
// Real files of every kind the program reads, made from the test recipes (signals, LAME, FFmpeg,
// libvorbis, our own compressors, ASF writer and session writer), for the fuzz targets to start
// from. Each is small, so a fuzzer spends its time on variations rather than on long inputs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnel::fuzz {

struct SeedFile {
    std::string name;  // file name in the corpus, telling what it holds
    std::vector<uint8_t> bytes;
};

// RIFF WAVE: PCM of every sample size, float, extensible, the compressed tags the program
// reads, and unusual chunk orders.
std::vector<SeedFile> WaveSeeds();

// MPEG audio streams of every version and layer, with the tags real files carry.
struct MpegSeed {
    SeedFile file;
    int sampleRate = 0;
    int channels = 0;
};
std::vector<MpegSeed> MpegSeeds();

// Ogg Vorbis files: mono with chapters, stereo, 5.1, one page per packet, and a chained file.
std::vector<SeedFile> OggSeeds();

// Vorbis packets without Ogg framing: a channel count byte (channels - 1), then each packet as a
// 16-bit little-endian length and its bytes, headers first.
std::vector<SeedFile> VorbisPacketSeeds();

// WMA version 1 and 2 files from the ASF writer, with and without an index; `scratch` is a
// folder the writer may use.
std::vector<SeedFile> WmaSeeds(const std::filesystem::path& scratch);

// Session file streams: empty, the short record form, odd status codes and UTF-8 paths.
std::vector<SeedFile> SessionSeeds();

}  // namespace tarnel::fuzz
