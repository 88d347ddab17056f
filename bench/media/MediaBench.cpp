// The codec benchmarks in one run, each on the same 180-second 44.1 kHz stereo file with the
// default settings, against the peer a user would reach for (aims are ours ÷ peer):
//   WAV -> Ogg   oggenc at the default quality       <= 1.03
//   Ogg -> WAV   ffmpeg, on oggenc's file             <= 1.10
//   WAV -> WMA   ffmpeg -c:a wmav2 -b:a 128k          <= 1.03
//   WMA -> WAV   ffmpeg, on ffmpeg's file             <= 1.05
//   WAV -> MP3   lame --noreplaygain -b 128 -q 5      <= 1.00
//   MP3 -> WAV   mpg123 -w, on lame's file            <= 1.05
// lame's front end also runs a ReplayGain analysis by default, which our encoder does not (the
// audio frames come out the same either way): it is switched off so that both do the same work.
// And the start-up costs: `tarnel-convert --version` (aim 8 ms), a WAV -> WAV conversion of a
// one-second file (aim 15 ms), and the shared libraries a WAV -> MP3 job maps.
// Ours and the peer run in turn, several times each; the best run counts, so a busy machine
// disturbs less. Processor time (user + system of the child) is reported beside wall time: on
// a shared machine it is the fairer figure.
// Usage: tarnel_media_bench PATH-TO-tarnel-convert [WORK-FOLDER]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnel::bench;
using Command = std::vector<std::string>;

constexpr int kRate = 44100;
constexpr double kSeconds = 180.0;

int Runs() {
    const char* runs = std::getenv("TARNEL_BENCH_RUNS");
    return runs && std::atoi(runs) > 0 ? std::atoi(runs) : 5;
}

Timing Better(Timing best, Timing t) {
    if (!t.ok()) return best;
    if (!best.ok()) return t;
    return {std::min(best.wall, t.wall), std::min(best.cpu, t.cpu)};
}

// Runs ours and the peer alternately `runs` times and reports the best of each.
void Compare(const fs::path& work, const char* step, const Command& ours, const Command& peer,
             const char* peerName, double aim, int runs) {
    Timing bestOurs, bestPeer;
    for (int i = 0; i < runs; ++i) {
        const Timing o = TimeCommand(ours, work / "ours.log");
        const Timing p = TimeCommand(peer, work / "peer.log");
        if (!o.ok() || !p.ok()) {
            std::printf("%s: %s failed, see %s\n", step, o.ok() ? peerName : "tarnel-convert",
                        (work / (o.ok() ? "peer.log" : "ours.log")).c_str());
            return;
        }
        bestOurs = Better(bestOurs, o);
        bestPeer = Better(bestPeer, p);
    }
    ReportRatio(step, bestOurs, bestPeer, peerName, aim);
}

void StartUp(const char* what, const Command& command, const fs::path& log, double aimMs) {
    Timing best;
    for (int i = 0; i < 20; ++i) best = Better(best, TimeCommand(command, log));
    if (!best.ok()) {
        std::printf("%s: failed, see %s\n", what, log.c_str());
        return;
    }
    std::printf("%s: %.1f ms wall, %.1f ms processor (aim %.0f ms) %s\n", what, best.wall * 1e3,
                best.cpu * 1e3, aimMs, best.wall * 1e3 <= aimMs ? "met" : "MISSED");
}

// The shared libraries the dynamic loader initialised for one run of the command, including
// those opened later with dlopen.
int MappedLibraries(const Command& command, const fs::path& work) {
    const fs::path trace = work / "ld-trace";
    setenv("LD_DEBUG", "libs", 1);
    setenv("LD_DEBUG_OUTPUT", trace.c_str(), 1);
    const Timing t = TimeCommand(command, work / "ld.log");
    unsetenv("LD_DEBUG");
    unsetenv("LD_DEBUG_OUTPUT");
    if (!t.ok()) return -1;
    std::set<std::string> libraries;
    for (const auto& entry : fs::directory_iterator(work)) {
        if (entry.path().filename().string().rfind("ld-trace.", 0) != 0) continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            const auto at = line.find("calling init: ");
            if (at != std::string::npos) libraries.insert(line.substr(at + 14));
        }
        fs::remove(entry.path());
    }
    return static_cast<int>(libraries.size());
}

}  // namespace

int main(int argc, char** argv) {
    ProgramAndWork args;
    if (!ParseProgramAndWork(argc, argv, "tarnel-media-bench", &args)) return 2;
    const std::string& program = args.program;
    const fs::path& work = args.work;
    for (const char* dir : {"ours", "ref", "start"}) fs::create_directories(work / dir);

    // Default settings throughout; WAV export at the source's format, uncompressed.
    tarnel::OggSettings ogg;
    {
        tarnel::SettingsStore store;
        store.EnsureDefaults();
        store.ReadOggSettings(ogg);
        tarnel::WavSettings wav;
        wav.sampleRate = kRate;
        wav.channels = 2;
        wav.bitsPerSample = 16;
        wav.compressorIndex = -1;
        store.WriteWavSettings(wav);
    }
    // The slider position maps to position × 0.011 − 0.1 on libvorbis' scale; oggenc's is ten
    // times larger.
    char oggencQuality[32];
    std::snprintf(oggencQuality, sizeof oggencQuality, "%.4f",
                  (static_cast<float>(ogg.quality) * 0.011f - 0.1f) * 10.0f);

    const int runs = Runs();
    const fs::path ours = work / "ours", ref = work / "ref";
    const fs::path wav = ours / "song.wav", refWav = ref / "song.wav";
    WriteMusicWav(wav, kSeconds, kRate);
    fs::copy_file(wav, refWav);
    std::printf("Codec benchmark in %s: %.0f s of 44.1 kHz stereo, best of %d runs each\n",
                work.c_str(), kSeconds, runs);
    auto convert = [&](const char* format, const fs::path& source) {
        return Command{program, "--quiet", "-j", "1", "--format", format, source.string()};
    };
    const Command ffmpeg{"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i"};
    auto ffmpegTo = [&](const fs::path& in, std::vector<std::string> options, const fs::path& out) {
        Command c = ffmpeg;
        c.push_back(in.string());
        c.insert(c.end(), options.begin(), options.end());
        c.push_back(out.string());
        return c;
    };
    auto share = [&](const fs::path& refFile, const char* name) {
        fs::copy_file(refFile, ours / name, fs::copy_options::overwrite_existing);
        return ours / name;
    };

    const fs::path refOgg = ref / "song.ogg";
    Compare(work, "WAV -> Ogg", convert("ogg", wav),
            {"oggenc", "--quiet", "-q", oggencQuality, "-o", refOgg.string(), refWav.string()},
            "oggenc", 1.03, runs);
    if (fs::exists(refOgg)) {
        Compare(work, "Ogg -> WAV", convert("wav", share(refOgg, "oggenc.ogg")),
                ffmpegTo(refOgg, {}, ref / "ogg.wav"), "ffmpeg", 1.10, runs);
    }

    const fs::path refWma = ref / "song.wma";
    Compare(work, "WAV -> WMA", convert("wma", wav),
            ffmpegTo(refWav, {"-c:a", "wmav2", "-b:a", "128k"}, refWma), "ffmpeg", 1.03, runs);
    if (fs::exists(refWma)) {
        Compare(work, "WMA -> WAV", convert("wav", share(refWma, "ffmpeg.wma")),
                ffmpegTo(refWma, {}, ref / "wma.wav"), "ffmpeg", 1.05, runs);
    }

    const fs::path refMp3 = ref / "song.mp3";
    Compare(work, "WAV -> MP3", convert("mp3", wav),
            {"lame", "--quiet", "--noreplaygain", "-b", "128", "-q", "5", refWav.string(),
             refMp3.string()},
            "lame --noreplaygain -b 128 -q 5", 1.00, runs);
    if (fs::exists(refMp3)) {
        Compare(work, "MP3 -> WAV", convert("wav", share(refMp3, "lame.mp3")),
                {"mpg123", "-q", "-w", (ref / "mp3.wav").string(), refMp3.string()}, "mpg123 -w",
                1.05, runs);
    }

    const fs::path second = work / "start" / "second.wav";
    WriteMusicWav(second, 1.0, kRate);
    StartUp("tarnel-convert --version", {program, "--version"}, work / "start.log", 8);
    StartUp("WAV -> WAV of a 1 s file", convert("wav", second), work / "start.log", 15);
    std::printf("shared libraries mapped: --version %d, WAV -> MP3 job %d\n",
                MappedLibraries({program, "--version"}, work),
                MappedLibraries(convert("mp3", second), work));
    return 0;
}
