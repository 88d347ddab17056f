// Arbitrary bytes through everything that looks at a source file before conversion: content
// sniffing, the Ogg marker, the ID3v2 and MPEG frame walk, and the whole ProbeFile over a file
// holding the bytes. Nothing may crash, hang or read outside its input; a probe either
// refuses the file or gives a duration that is finite.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "engine/Mp3DurationScan.h"
#include "engine/OggMarker.h"
#include "engine/SourceProbe.h"
#include "framework/FilterRegistry.h"
#include "platform/media/AudioCompressorFilter.h"
#include "platform/media/ContentSniffer.h"
#include "platform/media/SystemFilters.h"

namespace {

tarnel::FilterRegistry& Registry() {
    static tarnel::FilterRegistry registry;
    static const bool filled = [] {
        tarnel::RegisterSystemFilters(registry);
        tarnel::media::RegisterAudioCompressors(registry);
        return true;
    }();
    (void)filled;
    return registry;
}

// One file per process, rewritten for every input.
const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path dir = tmp ? tmp : "/tmp";
        return dir / ("tarnel-sniff-fuzz-" + std::to_string(::getpid()) + ".bin");
    }();
    return path;
}

struct ScratchRemover {
    ~ScratchRemover() {
        std::error_code ec;
        std::filesystem::remove(ScratchFile(), ec);
    }
} remover;

void AppendFrames(std::vector<uint8_t>& out, uint32_t header, size_t length, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t at = out.size();
        out.resize(at + length, 0);
        for (int b = 0; b < 4; ++b) out[at + b] = uint8_t(header >> (24 - 8 * b));
    }
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    (void)tarnel::media::SniffContent(bytes);  // any answer will do
    (void)tarnel::HasOggMarker(bytes);
    const double scanned = tarnel::ScanMp3Duration(bytes);
    if (!std::isfinite(scanned) || scanned < 0) std::abort();

    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto result = tarnel::ProbeFile(ScratchFile(), Registry());
    if (result.Succeeded() && !std::isfinite(result.seconds)) std::abort();
    if (!result.Succeeded() && result.seconds != -1.0) std::abort();
    return 0;
}

extern "C" size_t TarnelFuzzSeedCount() {
    return 3;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    std::vector<uint8_t> out;
    switch (index) {
        case 0: {  // a small PCM WAVE file
            const char head[] = "RIFF\0\0\0\0WAVEfmt ";
            out.assign(head, head + 16);
            Put32(out, 16);
            for (uint32_t v : {0x00020001u, 8000u, 32000u, 0x00100004u}) Put32(out, v);
            out.insert(out.end(), {'d', 'a', 't', 'a'});
            Put32(out, 400);
            for (int i = 0; i < 400; ++i) out.push_back(uint8_t(i * 7));
            const uint32_t riff = uint32_t(out.size() - 8);
            for (int i = 0; i < 4; ++i) out[4 + i] = uint8_t(riff >> (8 * i));
            break;
        }
        case 1:  // MPEG-1 Layer III frames behind a small ID3v2 tag
            out = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
            out.resize(30, 0);
            AppendFrames(out, 0xFFFB9064u, 417, 22);
            break;
        default:  // an Ogg page header
            out = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
            out.resize(300, 0x11);
            break;
    }
    return out;
}
