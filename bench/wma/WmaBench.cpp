// WMA benchmarks, one run over the same 180-second 44.1 kHz stereo file:
//  1. WAV -> WMA at 128 kbit/s (the default WMA settings: codec 0, format 24): tarnel-convert
//     against `ffmpeg -c:a wmav2 -b:a 128k` (aim: at most 1.05 times ffmpeg's time);
//  2. WMA -> WAV: tarnel-convert against `ffmpeg -i x.wma x.wav` on ffmpeg's WMA of step 1
//     (aim: at most 1.1 times ffmpeg's time).
// Each command runs three times and the best time counts, so a busy machine disturbs less; the
// processor time (user + system) of the best runs is reported too, as it hardly depends on what
// else the machine does.
// Usage: tarnel_wma_bench PATH-TO-tarnel-convert [WORK-FOLDER]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kSeconds = 180;
constexpr int kRuns = 3;

void PutLe(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(char((value >> (8 * i)) & 0xFF));
}

// Music-like: a gliding tone, two steady partials and a little noise.
int16_t Sample(uint64_t i, int channel) {
    const double t = double(i) / kRate;
    const double v = 0.3 * std::sin(2 * std::numbers::pi * (196.0 + 15 * std::sin(t * 0.7)) * t) +
                     0.15 * std::sin(2 * std::numbers::pi * (523.0 + 2 * channel) * t) +
                     0.07 * std::sin(2 * std::numbers::pi * 2093.0 * t);
    uint32_t x = uint32_t(i) * 2246822519u + uint32_t(channel) * 3266489917u;
    x ^= x >> 15;
    x *= 668265263u;
    x ^= x >> 13;
    return int16_t(32767 * (v + 0.02 * (double(x & 0xFFFF) / 32768.0 - 1.0)));
}

void WriteWav(const fs::path& path) {
    const uint64_t frames = uint64_t(kSeconds) * kRate;
    const auto dataSize = uint32_t(frames * 4);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLe(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, 2, 2);
    PutLe(out, kRate, 4);
    PutLe(out, kRate * 4, 4);
    PutLe(out, 4, 2);
    PutLe(out, 16, 2);
    out.write("data", 4);
    PutLe(out, dataSize, 4);
    std::vector<int16_t> block;
    for (uint64_t i = 0; i < frames;) {
        block.clear();
        for (int n = 0; n < 65536 && i < frames; ++n, ++i) {
            block.push_back(Sample(i, 0));
            block.push_back(Sample(i, 1));
        }
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * 2));
    }
}

struct Timing {
    double wall = -1;  // seconds; -1 when the command failed
    double cpu = -1;   // user + system seconds of the command
};

// How long the command took with its output in `log`.
Timing TimeCommand(std::vector<std::string> command, const fs::path& log) {
    std::vector<char*> argv;
    for (auto& a : command) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const auto start = Clock::now();
    pid_t pid = -1;
    const int spawned =
        posix_spawnp(&pid, command[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Timing timing;
    if (spawned != 0) return timing;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return timing;
    timing.wall = std::chrono::duration<double>(Clock::now() - start).count();
    timing.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return timing;
}

Timing BestOf(const char* what, const std::vector<std::string>& command, const fs::path& log) {
    Timing best;
    for (int i = 0; i < kRuns; ++i) {
        const Timing t = TimeCommand(command, log);
        if (t.wall < 0) {
            std::printf("%s: failed, see %s\n", what, log.c_str());
            return Timing{};
        }
        best.wall = best.wall < 0 ? t.wall : std::min(best.wall, t.wall);
        best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
    }
    return best;
}

void Report(const char* step, Timing ours, Timing theirs, const char* peer, double aim) {
    if (ours.wall < 0 || theirs.wall <= 0) {
        std::printf("%s: not measured\n", step);
        return;
    }
    const double ratio = ours.wall / theirs.wall;
    std::printf("%s: tarnel-convert %.2f s, %s %.2f s, ratio %.3f (aim <= %.2f) %s\n", step,
                ours.wall, peer, theirs.wall, ratio, aim, ratio <= aim ? "met" : "MISSED");
    if (theirs.cpu > 0) {
        std::printf("  processor time: tarnel-convert %.2f s, %s %.2f s, ratio %.3f\n", ours.cpu,
                    peer, theirs.cpu, ours.cpu / theirs.cpu);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-tarnel-convert [WORK-FOLDER]\n", argv[0]);
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tarnel-wma-bench";
    fs::remove_all(work);
    for (const char* dir : {"config", "tmp", "ours", "ref"}) fs::create_directories(work / dir);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    setenv("HOME", work.c_str(), 1);
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
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
    WriteWav(wav);
    const fs::path refWav = work / "ref" / "song.wav";
    fs::copy_file(wav, refWav);
    std::printf("WMA benchmark in %s: %d s of 44.1 kHz stereo, best of %d runs\n", work.c_str(),
                kSeconds, kRuns);

    const Timing oursEncode = BestOf(
        "tarnel-convert wav->wma", {program, "--quiet", "-j", "1", "--format", "wma", wav.string()},
        work / "ours-encode.log");
    const fs::path ffmpegWma = work / "ref" / "song.wma";
    const Timing ffmpegEncode =
        BestOf("ffmpeg wav->wma",
               {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", refWav.string(), "-c:a",
                "wmav2", "-b:a", "128k", ffmpegWma.string()},
               work / "ffmpeg-encode.log");
    Report("WAV -> WMA", oursEncode, ffmpegEncode, "ffmpeg -c:a wmav2 -b:a 128k", 1.05);
    const fs::path oursWma = work / "ours" / "song-wav-conv.wma";
    if (fs::exists(oursWma) && fs::exists(ffmpegWma)) {
        std::printf("  sizes: ours %ju bytes, ffmpeg %ju bytes\n",
                    uintmax_t(fs::file_size(oursWma)), uintmax_t(fs::file_size(ffmpegWma)));
    }

    const fs::path source = work / "ours" / "ffmpeg.wma";
    if (fs::exists(ffmpegWma)) fs::copy_file(ffmpegWma, source);
    const Timing oursDecode =
        BestOf("tarnel-convert wma->wav",
               {program, "--quiet", "-j", "1", "--format", "wav", source.string()},
               work / "ours-decode.log");
    const Timing ffmpegDecode =
        BestOf("ffmpeg wma->wav",
               {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", ffmpegWma.string(),
                (work / "ref" / "decoded.wav").string()},
               work / "ffmpeg-decode.log");
    Report("WMA -> WAV", oursDecode, ffmpegDecode, "ffmpeg -i x.wma x.wav", 1.1);
    return 0;
}
