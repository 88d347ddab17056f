#include "bench/common/BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>

extern char** environ;

namespace tarnel::bench {
namespace {

namespace fs = std::filesystem;

void PutLe(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

int16_t MusicSample(uint64_t i, int rate, int channel) {
    const double t = static_cast<double>(i) / rate;
    double v = 0.3 * std::sin(2 * std::numbers::pi * (220.0 + 20 * std::sin(t * 0.5)) * t) +
               0.15 * std::sin(2 * std::numbers::pi * (660.0 + channel * 3) * t) +
               0.08 * std::sin(2 * std::numbers::pi * 1760.0 * t * (1 + 0.01 * channel));
    uint32_t x = static_cast<uint32_t>(i * 2654435761u + channel * 97u);
    x ^= x >> 13;
    x *= 0x5bd1e995;
    x ^= x >> 15;
    v += 0.02 * ((x & 0xFFFF) / 32768.0 - 1.0);
    return static_cast<int16_t>(32767 * std::clamp(v, -1.0, 1.0));
}

}  // namespace

void WriteMusicWav(const fs::path& path, double seconds, int rate) {
    const uint64_t frames = static_cast<uint64_t>(seconds * rate);
    const auto dataSize = static_cast<uint32_t>(frames * 4);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLe(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, 2, 2);
    PutLe(out, static_cast<uint32_t>(rate), 4);
    PutLe(out, static_cast<uint32_t>(rate) * 4, 4);
    PutLe(out, 4, 2);
    PutLe(out, 16, 2);
    out.write("data", 4);
    PutLe(out, dataSize, 4);
    std::vector<int16_t> block;
    for (uint64_t i = 0; i < frames;) {
        block.clear();
        for (int n = 0; n < 65536 && i < frames; ++n, ++i) {
            block.push_back(MusicSample(i, rate, 0));
            block.push_back(MusicSample(i, rate, 1));
        }
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size() * 2));
    }
}

Timing TimeCommand(std::vector<std::string> command, const fs::path& log) {
    std::vector<char*> argv;
    for (auto& a : command) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const auto start = std::chrono::steady_clock::now();
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
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return timing;
}

Timing BestOf(int runs, const char* what, const std::vector<std::string>& command,
              const fs::path& log) {
    Timing best;
    for (int i = 0; i < runs; ++i) {
        const Timing t = TimeCommand(command, log);
        if (!t.ok()) {
            std::printf("%s: failed, see %s\n", what, log.c_str());
            return Timing{};
        }
        best.wall = best.ok() ? std::min(best.wall, t.wall) : t.wall;
        best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
    }
    return best;
}

void ReportRatio(const char* step, Timing ours, Timing theirs, const char* peer, double aim) {
    if (!ours.ok() || theirs.wall <= 0) {
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

void UsePrivateFolders(const fs::path& work) {
    for (const char* dir : {"config", "tmp"}) fs::create_directories(work / dir);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    setenv("HOME", work.c_str(), 1);
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
}

bool ParseProgramAndWork(int argc, char** argv, const char* defaultWork, ProgramAndWork* out) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-tarnel-convert [WORK-FOLDER]\n", argv[0]);
        return false;
    }
    out->program = fs::absolute(argv[1]).string();
    out->work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / defaultWork;
    fs::remove_all(out->work);
    fs::create_directories(out->work);
    UsePrivateFolders(out->work);
    return true;
}

}  // namespace tarnel::bench
