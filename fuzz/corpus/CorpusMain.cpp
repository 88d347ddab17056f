// Writes the seed corpus of every fuzz target: <folder>/<target>/<file>, one folder per target
// named after it (waveparser for tarnel_fuzz_waveparser). Run at build time; the replay under
// CTest and a libFuzzer run both start from these files. Replaces whatever the folder held.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/corpus/SeedFiles.h"
#include "tests/support/TestAudio.h"

using namespace tarnel::fuzz;

namespace {

// The MPEG decoder target's first byte picks the output: rate index (low seven bits, modulo
// the table's size) and channels (top bit set for stereo); its second picks chunk sizes.
std::vector<uint8_t> DecoderInput(const MpegSeed& seed, uint8_t chunking) {
    static const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    uint8_t rateIndex = 0;
    while (kRates[rateIndex] != seed.sampleRate) {
        if (++rateIndex == std::size(kRates)) throw std::runtime_error(seed.file.name);
    }
    std::vector<uint8_t> out = {uint8_t((seed.channels == 2 ? 0x80 : 0) | rateIndex), chunking};
    out.insert(out.end(), seed.file.bytes.begin(), seed.file.bytes.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);

    std::map<std::string, std::vector<SeedFile>> corpus;
    corpus["waveparser"] = WaveSeeds();
    corpus["oggsplitter"] = OggSeeds();
    corpus["vorbisdec"] = VorbisPacketSeeds();
    corpus["asfreader"] = WmaSeeds(root);
    corpus["sessionstream"] = SessionSeeds();
    const std::vector<MpegSeed> mpeg = MpegSeeds();
    uint8_t chunking = 0;
    for (const MpegSeed& seed : mpeg) {
        corpus["mp3scan"].push_back(seed.file);
        corpus["mpegsplitter"].push_back(seed.file);
        // Chunks from 1 byte up to whole seconds, and output buffers of many sizes.
        corpus["mpegdecoder"].push_back(
            {seed.file.name + ".in", DecoderInput(seed, uint8_t(chunking * 37 + 40))});
        ++chunking;
    }
    // The probe sees one file of each kind.
    static const std::set<std::string> kProbed = {
        "pcm-s16-stereo-44100.wav",       "ima-adpcm-stereo-22050.wav",
        "gsm610-mono-8000.wav",           "extensible-float32-mono-16000.wav",
        "mpeg1-layer3-44100-stereo.mp3",  "id3v2-mpeg1-id3v1.mp3",
        "mpeg2-layer2-24000-mono.mp2",    "vorbis-stereo-22050.ogg",
        "vorbis-chained-mono-stereo.ogg", "wma2-stereo-44100-index.wma",
    };
    std::vector<SeedFile> probed;
    for (const char* kind : {"waveparser", "mp3scan", "oggsplitter", "asfreader"}) {
        for (const SeedFile& file : corpus[kind]) {
            if (kProbed.count(file.name)) probed.push_back(file);
        }
    }
    corpus["sniff"] = probed;
    if (corpus["sniff"].size() != kProbed.size()) throw std::runtime_error("probe seeds missing");

    size_t count = 0;
    for (const auto& [target, files] : corpus) {
        std::filesystem::create_directories(root / target);
        for (const SeedFile& file : files) {
            tarnel::test::WriteFileBytes(root / target / file.name, file.bytes);
            ++count;
        }
    }
    std::printf("wrote %zu seed files for %zu fuzz targets into %s\n", count, corpus.size(),
                root.c_str());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "seed corpus: %s\n", e.what());
    return 1;
}
