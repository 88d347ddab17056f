// MP3 benchmarks, one run over the same 180-second 44.1 kHz stereo file:
//  1. WAV -> MP3 at 128 kbit/s CBR, quality 5 (the default MP3 settings): tarnel-convert against
//     `lame -b 128 -q 5` (aim: at most 1.05 times lame's time);
//  2. MP3 -> WAV: tarnel-convert against `mpg123 -w` on lame's MP3 of step 1 (aim: at most
//     1.1 times mpg123's time).
// Each command runs three times; the best time counts, so a busy machine disturbs less.
// Usage: tarnel_mp3_bench PATH-TO-tarnel-convert [WORK-FOLDER]
#include <fcntl.h>
#include <spawn.h>
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
constexpr double kSeconds = 180.0;
constexpr int kRuns = 3;

void Put(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Closer to music than a pure tone: moving partials and a little noise.
double Signal(uint64_t i, int channel) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0.3 * std::sin(2 * std::numbers::pi * (220.0 + 20 * std::sin(t * 0.5)) * t) +
               0.15 * std::sin(2 * std::numbers::pi * (660.0 + channel * 3) * t) +
               0.08 * std::sin(2 * std::numbers::pi * 1760.0 * t * (1 + 0.01 * channel));
    uint32_t x = static_cast<uint32_t>(i * 2654435761u + channel * 97u);
    x ^= x >> 13;
    x *= 0x5bd1e995;
    x ^= x >> 15;
    return v + 0.02 * ((x & 0xFFFF) / 32768.0 - 1.0);
}

void WriteWav(const fs::path& path) {
    const uint64_t frames = static_cast<uint64_t>(kSeconds * kRate);
    const uint32_t dataSize = static_cast<uint32_t>(frames * 4);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, 2, 2);
    Put(out, kRate, 4);
    Put(out, kRate * 4, 4);
    Put(out, 4, 2);
    Put(out, 16, 2);
    out.write("data", 4);
    Put(out, dataSize, 4);
    std::vector<int16_t> block;
    for (uint64_t i = 0; i < frames;) {
        block.clear();
        for (int n = 0; n < 65536 && i < frames; ++n, ++i) {
            block.push_back(static_cast<int16_t>(32767 * Signal(i, 0)));
            block.push_back(static_cast<int16_t>(32767 * Signal(i, 1)));
        }
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 2));
    }
}

// Runs the command with its output in `log`; seconds taken, or -1 when it could not start.
double RunOnce(const std::vector<std::string>& command, const fs::path& log, int* exitCode) {
    std::vector<std::string> all = command;
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const auto start = Clock::now();
    pid_t pid = -1;
    *exitCode = -1;
    if (posix_spawnp(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of kRuns; -1 when a run failed (its log names the reason).
double Best(const char* what, const std::vector<std::string>& command, const fs::path& log) {
    double best = -1;
    for (int i = 0; i < kRuns; ++i) {
        int code = 0;
        const double t = RunOnce(command, log, &code);
        if (t < 0 || code != 0) {
            std::printf("%s: failed (exit %d), see %s\n", what, code, log.c_str());
            return -1;
        }
        best = best < 0 ? t : std::min(best, t);
    }
    return best;
}

void Report(const char* step, double ours, double theirs, const char* peer, double aim) {
    if (ours < 0 || theirs <= 0) {
        std::printf("%s: not measured\n", step);
        return;
    }
    const double ratio = ours / theirs;
    std::printf("%s: tarnel-convert %.2f s, %s %.2f s, ratio %.3f (aim <= %.2f) %s\n", step, ours,
                peer, theirs, ratio, aim, ratio <= aim ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-tarnel-convert [WORK-FOLDER]\n", argv[0]);
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tarnel-mp3-bench";
    fs::remove_all(work);
    for (const char* dir : {"config", "tmp", "ours", "ref"}) fs::create_directories(work / dir);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    setenv("HOME", work.c_str(), 1);
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);

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
    WriteWav(wav);
    const fs::path refWav = work / "ref" / "song.wav";
    fs::copy_file(wav, refWav);
    std::printf("MP3 benchmark in %s: %.0f s of 44.1 kHz stereo, best of %d runs\n", work.c_str(),
                kSeconds, kRuns);

    // 1. WAV -> MP3.
    const double oursEncode = Best("tarnel-convert wav->mp3",
                                   {program, "--quiet", "-j", "1", "--format", "mp3", wav.string()},
                                   work / "ours-encode.log");
    const fs::path lameMp3 = work / "ref" / "song.mp3";
    const double lameEncode =
        Best("lame", {"lame", "--quiet", "-b", "128", "-q", "5", refWav.string(), lameMp3.string()},
             work / "lame.log");
    Report("WAV -> MP3", oursEncode, lameEncode, "lame -b 128 -q 5", 1.05);
    const fs::path oursMp3 = work / "ours" / "song-wav-conv.mp3";
    if (fs::exists(oursMp3) && fs::exists(lameMp3)) {
        std::printf("  sizes: ours %ju bytes, lame %ju bytes\n", uintmax_t(fs::file_size(oursMp3)),
                    uintmax_t(fs::file_size(lameMp3)));
    }

    // 2. MP3 -> WAV, both on lame's file.
    const fs::path source = work / "ours" / "lame.mp3";
    if (fs::exists(lameMp3)) fs::copy_file(lameMp3, source, fs::copy_options::overwrite_existing);
    const double oursDecode =
        Best("tarnel-convert mp3->wav",
             {program, "--quiet", "-j", "1", "--format", "wav", source.string()},
             work / "ours-decode.log");
    const double mpg123Decode = Best(
        "mpg123", {"mpg123", "-q", "-w", (work / "ref" / "lame.wav").string(), lameMp3.string()},
        work / "mpg123.log");
    Report("MP3 -> WAV", oursDecode, mpg123Decode, "mpg123 -w", 1.1);
    return 0;
}
