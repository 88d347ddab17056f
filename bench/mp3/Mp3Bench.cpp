// MP3 benchmarks, one run over the same 180-second 44.1 kHz stereo file:
//  1. WAV -> MP3 at 128 kbit/s CBR, quality 5 (the default MP3 settings): tarnel-convert against
//     `lame --noreplaygain -b 128 -q 5` (aim: at most 1.05 times lame's time); lame's default
//     ReplayGain analysis is work our encoder does not do, so it is switched off;
//  2. MP3 -> WAV: tarnel-convert against `mpg123 -w` on lame's MP3 of step 1 (aim: at most
//     1.1 times mpg123's time).
// Each command runs three times; the best time counts, so a busy machine disturbs less.
// Usage: tarnel_mp3_bench PATH-TO-tarnel-convert [WORK-FOLDER]

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
constexpr double kSeconds = 180.0;
constexpr int kRuns = 3;

}  // namespace

int main(int argc, char** argv) {
    ProgramAndWork args;
    if (!ParseProgramAndWork(argc, argv, "tarnel-mp3-bench", &args)) return 2;
    const std::string& program = args.program;
    const fs::path& work = args.work;
    for (const char* dir : {"ours", "ref"}) fs::create_directories(work / dir);

    // The default MP3 record is the benchmark's setting: 128 kbit/s CBR, quality 5, 44100 Hz,
    // joint stereo (lame's own default mode at this bitrate). WAV export: 44100 Hz, 2 ch, 16 bit.
    {
        tarnel::SettingsStore store;
        store.EnsureDefaults();
        tarnel::Mp3Settings mp3;
        store.WriteMp3Settings(mp3);
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
    std::printf("MP3 benchmark in %s: %.0f s of 44.1 kHz stereo, best of %d runs\n", work.c_str(),
                kSeconds, kRuns);

    // 1. WAV -> MP3.
    const Timing oursEncode = BestOf(
        kRuns, "tarnel-convert wav->mp3",
        {program, "--quiet", "-j", "1", "--format", "mp3", wav.string()}, work / "ours-encode.log");
    const fs::path lameMp3 = work / "ref" / "song.mp3";
    const Timing lameEncode = BestOf(kRuns, "lame",
                                     {"lame", "--quiet", "--noreplaygain", "-b", "128", "-q", "5",
                                      refWav.string(), lameMp3.string()},
                                     work / "lame.log");
    ReportRatio("WAV -> MP3", oursEncode, lameEncode, "lame --noreplaygain -b 128 -q 5", 1.05);
    const fs::path oursMp3 = work / "ours" / "song-wav-conv.mp3";
    if (fs::exists(oursMp3) && fs::exists(lameMp3)) {
        std::printf("  sizes: ours %ju bytes, lame %ju bytes\n", uintmax_t(fs::file_size(oursMp3)),
                    uintmax_t(fs::file_size(lameMp3)));
    }

    // 2. MP3 -> WAV, both on lame's file.
    const fs::path source = work / "ours" / "lame.mp3";
    if (fs::exists(lameMp3)) fs::copy_file(lameMp3, source, fs::copy_options::overwrite_existing);
    const Timing oursDecode =
        BestOf(kRuns, "tarnel-convert mp3->wav",
               {program, "--quiet", "-j", "1", "--format", "wav", source.string()},
               work / "ours-decode.log");
    const Timing mpg123Decode =
        BestOf(kRuns, "mpg123",
               {"mpg123", "-q", "-w", (work / "ref" / "lame.wav").string(), lameMp3.string()},
               work / "mpg123.log");
    ReportRatio("MP3 -> WAV", oursDecode, mpg123Decode, "mpg123 -w", 1.1);
    return 0;
}
