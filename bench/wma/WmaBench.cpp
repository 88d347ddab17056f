// WMA benchmarks, one run over the same 180-second 44.1 kHz stereo file:
//  1. WAV -> WMA at 128 kbit/s (the default WMA settings: codec 0, format 24): tarnel-convert
//     against `ffmpeg -c:a wmav2 -b:a 128k` (aim: at most 1.05 times ffmpeg's time);
//  2. WMA -> WAV: tarnel-convert against `ffmpeg -i x.wma x.wav` on ffmpeg's WMA of step 1
//     (aim: at most 1.1 times ffmpeg's time).
// Each command runs three times and the best time counts, so a busy machine disturbs less; the
// processor time (user + system) of the best runs is reported too, as it hardly depends on what
// else the machine does.
// Usage: tarnel_wma_bench PATH-TO-tarnel-convert [WORK-FOLDER]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnel::bench;

constexpr int kRate = 44100;
constexpr int kSeconds = 180;
constexpr int kRuns = 3;

}  // namespace

int main(int argc, char** argv) {
    ProgramAndWork args;
    if (!ParseProgramAndWork(argc, argv, "tarnel-wma-bench", &args)) return 2;
    const std::string& program = args.program;
    const fs::path& work = args.work;
    for (const char* dir : {"ours", "ref"}) fs::create_directories(work / dir);
    {
        // Default WMA record (128 kbps, 44 kHz, stereo); WAV export at the source's format.
        tarnel::SettingsStore store;
        store.EnsureDefaults();
        store.WriteWmaSettings(tarnel::WmaSettings{});
        tarnel::WavSettings wav;
        wav.sampleRate = kRate;
        wav.channels = 2;
        wav.bitsPerSample = 16;
        wav.compressorIndex = -1;
        store.WriteWavSettings(wav);
    }

    const fs::path wav = work / "ours" / "song.wav";
    WriteMusicWav(wav, kSeconds, kRate);
    const fs::path refWav = work / "ref" / "song.wav";
    fs::copy_file(wav, refWav);
    std::printf("WMA benchmark in %s: %d s of 44.1 kHz stereo, best of %d runs\n", work.c_str(),
                kSeconds, kRuns);

    const Timing oursEncode = BestOf(
        kRuns, "tarnel-convert wav->wma",
        {program, "--quiet", "-j", "1", "--format", "wma", wav.string()}, work / "ours-encode.log");
    const fs::path ffmpegWma = work / "ref" / "song.wma";
    const Timing ffmpegEncode =
        BestOf(kRuns, "ffmpeg wav->wma",
               {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", refWav.string(), "-c:a",
                "wmav2", "-b:a", "128k", ffmpegWma.string()},
               work / "ffmpeg-encode.log");
    ReportRatio("WAV -> WMA", oursEncode, ffmpegEncode, "ffmpeg -c:a wmav2 -b:a 128k", 1.05);
    const fs::path oursWma = work / "ours" / "song-wav-conv.wma";
    if (fs::exists(oursWma) && fs::exists(ffmpegWma)) {
        std::printf("  sizes: ours %ju bytes, ffmpeg %ju bytes\n",
                    uintmax_t(fs::file_size(oursWma)), uintmax_t(fs::file_size(ffmpegWma)));
    }

    const fs::path source = work / "ours" / "ffmpeg.wma";
    if (fs::exists(ffmpegWma)) fs::copy_file(ffmpegWma, source);
    const Timing oursDecode =
        BestOf(kRuns, "tarnel-convert wma->wav",
               {program, "--quiet", "-j", "1", "--format", "wav", source.string()},
               work / "ours-decode.log");
    const Timing ffmpegDecode =
        BestOf(kRuns, "ffmpeg wma->wav",
               {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", ffmpegWma.string(),
                (work / "ref" / "decoded.wav").string()},
               work / "ffmpeg-decode.log");
    ReportRatio("WMA -> WAV", oursDecode, ffmpegDecode, "ffmpeg -i x.wma x.wav", 1.1);
    return 0;
}
