// Benchmarks of tarnel-convert as a user runs it:
//  1. throughput: eight 180-second WAV files (44100 Hz stereo) converted to WAV at 48000 Hz
//     with -j 1 and with -j 2; on two cores -j 2 should reach 1.8 times the throughput;
//  2. memory: peak resident size of tarnel-convert converting a 180-second and a one-hour WAV;
//     the one-hour figure should stay within 5 MiB of the other.
// Usage: tarnel_cli_bench PATH-TO-tarnel-convert [WORK-FOLDER]
// Everything runs with a private settings folder and TMPDIR under the work folder.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
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

void Put(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Streams a 16-bit stereo sine sweep to a WAV file without holding it in memory.
void WriteWav(const fs::path& path, double seconds, int rate, double frequency) {
    const uint64_t frames = static_cast<uint64_t>(seconds * rate);
    const uint32_t dataSize = static_cast<uint32_t>(frames * 4);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, 2, 2);
    Put(out, rate, 4);
    Put(out, rate * 4, 4);
    Put(out, 4, 2);
    Put(out, 16, 2);
    out.write("data", 4);
    Put(out, dataSize, 4);
    std::vector<int16_t> block;
    block.reserve(2 * 65536);
    for (uint64_t i = 0; i < frames;) {
        block.clear();
        for (int n = 0; n < 65536 && i < frames; ++n, ++i) {
            const double t = static_cast<double>(i) / rate;
            const auto left =
                static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * frequency * t));
            const auto right =
                static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * (frequency * 1.5) * t));
            block.push_back(left);
            block.push_back(right);
        }
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 2));
    }
}

struct RunFigures {
    int exitCode = -1;
    double seconds = 0;
    long maxRssKiB = 0;
};

RunFigures RunConvert(const std::string& program, const std::vector<std::string>& args,
                      const fs::path& logPath) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    RunFigures figures;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return figures;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    figures.maxRssKiB = usage.ru_maxrss;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-tarnel-convert [WORK-FOLDER]\n", argv[0]);
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tarnel-cli-bench";
    fs::remove_all(work);
    fs::create_directories(work / "config");
    fs::create_directories(work / "tmp");
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    setenv("HOME", work.c_str(), 1);
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);

    // WAV export at 48000 Hz, 2 channels, 16 bits, uncompressed.
    {
        tarnel::SettingsStore store;
        store.EnsureDefaults();
        tarnel::WavSettings wav;
        wav.sampleRate = 48000;
        wav.channels = 2;
        wav.bitsPerSample = 16;
        wav.compressorIndex = -1;
        wav.compressorListIndex = -1;
        store.WriteWavSettings(wav);
        store.WriteFormat(203);
    }

    std::printf("tarnel-convert benchmark in %s\n", work.c_str());
    std::vector<std::string> batch[2];
    for (int run = 0; run < 2; ++run) {
        const fs::path dir = work / ("batch" + std::to_string(run + 1));
        fs::create_directories(dir);
        for (int i = 0; i < 8; ++i) {
            const fs::path file = dir / ("track" + std::to_string(i) + ".wav");
            WriteWav(file, 180.0, 44100, 220.0 + 55.0 * i);
            batch[run].push_back(file.string());
        }
    }
    const double audioSeconds = 8 * 180.0;

    // Best of three runs for each job count, so a busy moment of the machine counts less.
    double throughput[2] = {0, 0};
    for (int run = 0; run < 2; ++run) {
        const int jobs = run + 1;
        std::vector<std::string> args{"--quiet", "-j", std::to_string(jobs)};
        args.insert(args.end(), batch[run].begin(), batch[run].end());
        double best = 0;
        int exitCode = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const RunFigures f =
                RunConvert(program, args, work / ("batch-j" + std::to_string(jobs) + ".log"));
            if (attempt == 0 || f.seconds < best) best = f.seconds;
            exitCode |= f.exitCode;
        }
        throughput[run] = audioSeconds / best;
        std::printf(
            "8 x 180 s WAV -> WAV 48000 Hz, -j %d: %.2f s wall (best of 3), %.1f x real time, "
            "exit %d\n",
            jobs, best, throughput[run], exitCode);
    }
    {
        // The output really is 48000 Hz.
        std::ifstream out(work / "batch1" / "track0-wav-conv.wav", std::ios::binary);
        unsigned char header[28] = {};
        out.read(reinterpret_cast<char*>(header), sizeof header);
        const uint32_t rate = header[24] | (header[25] << 8) | (header[26] << 16) |
                              (static_cast<uint32_t>(header[27]) << 24);
        std::printf("output sample rate: %u Hz\n", rate);
    }
    std::printf("-j 2 / -j 1 throughput: %.2f (target >= 1.8 on 2 cores; %ld cores here)\n",
                throughput[1] / throughput[0], sysconf(_SC_NPROCESSORS_ONLN));

    const fs::path shortFile = work / "short" / "short.wav";
    const fs::path longFile = work / "long" / "hour.wav";
    fs::create_directories(shortFile.parent_path());
    fs::create_directories(longFile.parent_path());
    WriteWav(shortFile, 180.0, 44100, 330.0);
    WriteWav(longFile, 3600.0, 44100, 330.0);
    const RunFigures s =
        RunConvert(program, {"--quiet", "-j", "1", shortFile.string()}, work / "short.log");
    const RunFigures l =
        RunConvert(program, {"--quiet", "-j", "1", longFile.string()}, work / "long.log");
    std::printf("peak memory, 180 s WAV: %.1f MiB (%.2f s, exit %d)\n", s.maxRssKiB / 1024.0,
                s.seconds, s.exitCode);
    std::printf("peak memory, 3600 s WAV: %.1f MiB (%.2f s, exit %d)\n", l.maxRssKiB / 1024.0,
                l.seconds, l.exitCode);
    std::printf("difference: %.1f MiB (target: within 5 MiB)\n",
                (l.maxRssKiB - s.maxRssKiB) / 1024.0);

    fs::remove_all(work);
    return 0;
}
