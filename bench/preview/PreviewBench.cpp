// Preview playback benchmark. For each source (WAV, MP3 and Ogg Vorbis made from the same
// 20-second signal, the compressed ones by tarnel-convert):
//  1. Play to first sample: from the player's Open (what the Play command does) to the first
//     frame the Audio Renderer hands to the device; median and worst of 15 starts (aim: under
//     50 ms each);
//  2. processor use while playing: user + system time of the whole process over 4 s of
//     playback, as a share of one core (aim: under 2 %).
// The audio goes to SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
// Usage: tarnel_preview_bench PATH-TO-tarnel-convert [WORK-FOLDER]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/PreviewPlayer.h"
#include "bench/common/BenchSupport.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/renderer/CAudioRenderer.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnel;
using Clock = std::chrono::steady_clock;

constexpr int kStarts = 15;
constexpr double kCpuSeconds = 4.0;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

media::CAudioRenderer* RendererOf(PreviewPlayer& player) {
    return player.Graph() ? dynamic_cast<media::CAudioRenderer*>(
                                player.Graph()->FindFilter(media::kAudioRendererName))
                          : nullptr;
}

// Milliseconds from Open to the first frame at the device; negative when it did not play.
double TimeToFirstSample(PreviewPlayer& player, const fs::path& file) {
    const Clock::time_point play = Clock::now();
    if (FAILED(player.Open(file.string(), nullptr, kPreviewEventMessage)) || FAILED(player.Run())) {
        return -1;
    }
    media::CAudioRenderer* renderer = RendererOf(player);
    if (!renderer || !renderer->WaitForFramesPlayed(1, std::chrono::seconds(5))) return -1;
    const double ms =
        std::chrono::duration<double, std::milli>(*renderer->FirstFrameTime() - play).count();
    player.Release();
    return ms;
}

// Share of one core used by the process while the file plays for kCpuSeconds.
double CpuWhilePlaying(PreviewPlayer& player, const fs::path& file) {
    if (FAILED(player.Open(file.string(), nullptr, kPreviewEventMessage)) || FAILED(player.Run())) {
        return -1;
    }
    media::CAudioRenderer* renderer = RendererOf(player);
    // Measured once the start-up (reading ahead to fill the queue) is over.
    if (!renderer || !renderer->WaitForFramesPlayed(44100 / 2, std::chrono::seconds(5))) return -1;
    const int64_t from = renderer->FramesPlayed();
    const double cpu0 = CpuSeconds();
    const Clock::time_point t0 = Clock::now();
    const auto frames = static_cast<int64_t>(kCpuSeconds * 44100);
    if (!renderer->WaitForFramesPlayed(from + frames, std::chrono::seconds(30))) return -1;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    player.Release();
    return 100.0 * cpu / wall;
}

fs::path Converted(const std::string& program, const fs::path& wav, const char* format,
                   const char* extension, const fs::path& work) {
    const bench::Timing t =
        bench::TimeCommand({program, "--quiet", "--format", format, wav.string()},
                           work / (std::string(format) + ".log"));
    if (!t.ok()) return {};
    for (const auto& item : fs::directory_iterator(wav.parent_path())) {
        if (item.path().extension() == extension) return item.path();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramAndWork args;
    if (!bench::ParseProgramAndWork(argc, argv, "tarnel-preview-bench", &args)) return 2;
    const std::string& program = args.program;
    const fs::path& work = args.work;
    fs::create_directories(work / "in");
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    const fs::path wav = work / "in" / "music.wav";
    bench::WriteMusicWav(wav, 20.0, 44100);
    const fs::path mp3 = Converted(program, wav, "mp3", ".mp3", work);
    const fs::path ogg = Converted(program, wav, "ogg", ".ogg", work);
    if (mp3.empty() || ogg.empty()) {
        std::printf("could not make the MP3 and Ogg inputs with %s\n", program.c_str());
        return 1;
    }

    FilterRegistry& registry = FilterRegistry::Default();
    RegisterSystemFilters(registry);
    RegisterOggSplitter(registry);
    RegisterVorbisDecoder(registry);
    PreviewPlayer player;

    int failures = 0;
    std::printf("%-4s %12s %12s %12s\n", "", "median ms", "worst ms", "CPU % core");
    for (const auto& [name, file] :
         std::vector<std::pair<const char*, fs::path>>{{"WAV", wav}, {"MP3", mp3}, {"OGG", ogg}}) {
        std::vector<double> starts;
        for (int i = 0; i < kStarts; ++i) starts.push_back(TimeToFirstSample(player, file));
        std::sort(starts.begin(), starts.end());
        const double cpu = CpuWhilePlaying(player, file);
        if (starts.front() < 0 || cpu < 0) {
            std::printf("%-4s did not play\n", name);
            ++failures;
            continue;
        }
        const double median = starts[starts.size() / 2];
        std::printf("%-4s %12.1f %12.1f %12.2f   %s\n", name, median, starts.back(), cpu,
                    median < 50.0 && cpu < 2.0 ? "within aims" : "OUTSIDE AIMS");
    }
    return failures == 0 ? 0 : 1;
}
