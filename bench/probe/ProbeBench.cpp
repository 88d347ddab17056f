// Probing speed: our ProbeFile against `ffprobe` and `soxi -D` over the same WAV and MP3
// files. Each tool answers the same question (format and duration) for every file; the peers
// run once per file as a user's script would call them.
//
//   tarnel_bench_probe <work folder> [file count, default 200] [--no-peers]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/probe/ProbeBenchFiles.h"
#include "engine/SourceProbe.h"
#include "platform/media/SystemFilters.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Runs a program with its output thrown away; true when it exited with 0.
bool RunQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HaveProgram(const char* name) {
    return RunQuietly({"sh", "-c", std::string("command -v ") + name});
}

// Milliseconds per file of the best of `passes` passes.
template <typename Probe>
double BestMsPerFile(const std::vector<tarnel::bench::BenchFile>& files, int passes, Probe probe,
                     int& failures) {
    double best = 1e300;
    for (int pass = 0; pass < passes; ++pass) {
        int failed = 0;
        const auto start = Clock::now();
        for (const auto& f : files) failed += probe(f) ? 0 : 1;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = std::min(best, ms / double(files.size()));
        failures = failed;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [file count] [--no-peers]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    int count = 200;
    bool peers = true;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-peers") == 0) {
            peers = false;
        } else {
            count = std::max(2, std::atoi(argv[i]));
        }
    }
    tarnel::RegisterSystemFilters(tarnel::FilterRegistry::Default());
    std::printf("making %d files in %s ...\n", count, folder.c_str());
    const auto files = tarnel::bench::MakeBenchFiles(folder, count);

    // Correctness first: a fast wrong answer is no result.
    int wrong = 0;
    for (const auto& f : files) {
        const auto r = tarnel::ProbeFile(f.path);
        // MP3 frames include the encoder's delay and padding, up to about a tenth of a second.
        const double tolerance = f.format == "MP3" ? 0.15 : 0.001;
        if (!r.Succeeded() || r.formatName != f.format ||
            std::abs(r.seconds - f.seconds) > tolerance) {
            ++wrong;
            std::printf("  %s: %s %.3f s (wrote %s %.3f s)\n", f.path.filename().c_str(),
                        r.formatName.c_str(), r.seconds, f.format.c_str(), f.seconds);
        }
    }

    int ourFailures = 0;
    const double ours = BestMsPerFile(
        files, 5, [](const auto& f) { return tarnel::ProbeFile(f.path).Succeeded(); }, ourFailures);
    std::printf("\n%-28s %10s %8s\n", "tool", "ms/file", "ratio");
    std::printf("%-28s %10.3f %8s   (%d wrong, %d failed)\n", "tarnel ProbeFile", ours, "1.0",
                wrong, ourFailures);

    bool soxFaster5 = true;
    if (peers) {
        struct Peer {
            const char* label;
            const char* program;
            std::vector<std::string> args;
        };
        const Peer list[] = {
            {"ffprobe (format duration)",
             "ffprobe",
             {"ffprobe", "-v", "error", "-show_entries", "format=format_name,duration", "-of",
              "csv=p=0"}},
            {"soxi -D", "soxi", {"soxi", "-D"}},
        };
        for (const auto& peer : list) {
            if (!HaveProgram(peer.program)) {
                std::printf("%-28s %10s   (not installed; run bench/probe/run.sh)\n", peer.label,
                            "-");
                soxFaster5 = false;
                continue;
            }
            int failures = 0;
            const double ms = BestMsPerFile(
                files, 1,
                [&](const auto& f) {
                    auto args = peer.args;
                    args.push_back(f.path.string());
                    return RunQuietly(args);
                },
                failures);
            std::printf("%-28s %10.3f %8.1f   (%d failed)\n", peer.label, ms, ms / ours, failures);
            if (std::strcmp(peer.program, "soxi") == 0 && ms / ours < 5) soxFaster5 = false;
        }
    }
    std::printf("\naim: under 1 ms per file: %s; at least 5x faster than soxi -D: %s\n",
                ours < 1.0 ? "met" : "MISSED",
                !peers       ? "not measured"
                : soxFaster5 ? "met"
                             : "MISSED");
    return wrong == 0 ? 0 : 1;
}
