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
#include "platform/media/SystemFilters.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "platform/media/files/ContentSniffer.h"

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
