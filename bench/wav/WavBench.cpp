// Times WAV conversions through the graph the conversion engine builds ("Music Source", Wave
// Parser, "8-16 Converter", "Samp Rate Conveter", "TS Fixer", "WAVE Writer", "File Writer")
// against `sox` on the same files, alternating the two so both see the same cache state, and
// prints the median times and the ratios (sox time / graph time: above 1 means faster than sox).
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
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "filters/samplesizeconverter/SampleSizeConverter.h"
#include "filters/timestampcorrector/AudioTimeStampCorrector.h"
#include "filters/wavdest/CWavDestFilter.h"
#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"

extern char** environ;

namespace {

using namespace tarnel;
namespace fs = std::filesystem;

// A two-tone stereo test signal with a little noise, 16-bit.
void WriteInput(const fs::path& path, int rate, int seconds) {
    const uint32_t frames = uint32_t(rate) * uint32_t(seconds);
    const uint32_t dataBytes = frames * 4;
    std::vector<uint8_t> header(44);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(v >> (8 * i));
    };
    auto put16 = [&](size_t at, uint16_t v) {
        header[at] = uint8_t(v);
        header[at + 1] = uint8_t(v >> 8);
    };
    std::copy_n("RIFF", 4, header.begin());
    put32(4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, header.begin() + 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, uint32_t(rate));
    put32(28, uint32_t(rate) * 4);
    put16(32, 4);
    put16(34, 16);
    std::copy_n("data", 4, header.begin() + 36);
    put32(40, dataBytes);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::vector<int16_t> block;
    uint32_t noise = 12345;
    for (uint32_t f = 0; f < frames; f += uint32_t(rate)) {
        const uint32_t n = std::min<uint32_t>(uint32_t(rate), frames - f);
        block.resize(size_t(n) * 2);
        for (uint32_t i = 0; i < n; ++i) {
            const double t = double(f + i) / rate;
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (double(noise >> 16) / 65536.0 - 0.5) * 0.01;
            block[2 * i] = int16_t(
                std::lround(16000 * (0.6 * std::sin(2 * std::numbers::pi * 440 * t) + hiss)));
            block[2 * i + 1] = int16_t(
                std::lround(16000 * (0.6 * std::sin(2 * std::numbers::pi * 1250 * t) - hiss)));
        }
        out.write(reinterpret_cast<const char*>(block.data()),
                  std::streamsize(block.size() * sizeof(int16_t)));
    }
}

IPin* FirstFree(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<IPin*> pins;
    filter->EnumPins(&pins);
    for (IPin* pin : pins) {
        PIN_DIRECTION d;
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction && FAILED(pin->ConnectedTo(&peer)))
            return pin;
    }
    return nullptr;
}

// Builds and runs the conversion graph; returns the result of the first failing step.
HRESULT ConvertThroughGraph(FilterRegistry& registry, const fs::path& in, const fs::path& out,
                            int rate) {
    FilterGraph graph(registry);
    auto connect = [&](IBaseFilter* a, IBaseFilter* b) {
        IPin* o = FirstFree(a, PINDIR_OUTPUT);
        IPin* i = FirstFree(b, PINDIR_INPUT);
        return o && i ? graph.Connect(o, i) : E_FAIL;
    };
    auto add = [&](std::shared_ptr<IBaseFilter> f, const char* name) {
        IBaseFilter* raw = f.get();
        return SUCCEEDED(graph.AddFilter(std::move(f), name)) ? raw : nullptr;
    };
    IBaseFilter* source = nullptr;
    HRESULT hr = graph.AddSourceFilter(in, "Music Source", &source);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IBaseFilter> converter, writer;
    if (FAILED(hr = registry.CreateInstance(CLSID_ACMWrapper, &converter))) return hr;
    if (FAILED(hr = registry.CreateInstance(CLSID_FileWriter, &writer))) return hr;
    IBaseFilter* fixer = add(std::make_shared<AudioTimeStampCorrector>(), "TS Fixer");
    IBaseFilter* widen = add(std::make_shared<SampleSizeConverter>(), "8-16 Converter");
    if (FAILED(hr = connect(source, widen))) return hr;
    IBaseFilter* resample = add(converter, "Samp Rate Conveter");
    if (FAILED(hr = connect(widen, resample))) return hr;
    auto* config = Query<IAMStreamConfig>(FirstFree(resample, PINDIR_OUTPUT));
    CMediaType mt;
    if (!config || FAILED(config->GetFormat(&mt))) return E_UNEXPECTED;
    auto block = SerializeWaveFormat(MakePcmFormat(2, uint32_t(rate), 16));
    std::copy(block.begin(), block.end(), mt.format.begin());
    (void)config->SetFormat(&mt);
    if (FAILED(hr = connect(resample, fixer))) return hr;
    IBaseFilter* dest = add(std::make_shared<CWavDestFilter>(), "WAVE Writer");
    if (FAILED(hr = connect(fixer, dest))) return hr;
    IBaseFilter* fileWriter = add(writer, "File Writer");
    if (FAILED(hr = Query<IFileSinkFilter>(fileWriter)->SetFileName(out, nullptr))) return hr;
    if (FAILED(hr = connect(dest, fileWriter))) return hr;
    if (FAILED(hr = graph.SetSyncSource(nullptr))) return hr;
    if (FAILED(hr = graph.Run())) return hr;
    int32_t code = 0;
    if (FAILED(hr = graph.WaitForCompletion(600000, &code))) return hr;
    graph.Stop();
    return code == EC_COMPLETE ? S_OK : E_FAIL;
}

int RunSox(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sox", nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

template <class F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "tarnel-wav-bench";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 180;
    constexpr int kRounds = 5;
    fs::create_directories(work);
    const fs::path in44 = work / "in44100.wav", in48 = work / "in48000.wav";
    WriteInput(in44, 44100, seconds);
    WriteInput(in48, 48000, seconds);
    if (RunSox({"sox", "--version"}) != 0) {
        std::fprintf(stderr, "sox is not installed (apt-get install sox)\n");
        return 2;
    }

    FilterRegistry registry;
    RegisterSystemFilters(registry);
    struct Job {
        const char* name;
        fs::path input;
        int rate;
        std::vector<std::string> sox;
        std::vector<double> graph, peer;
    };
    std::vector<Job> jobs = {
        {"copy 44100 Hz stereo",
         in44,
         44100,
         {"sox", "-q", in44.string(), (work / "sox-copy.wav").string()},
         {},
         {}},
        {"resample 48000 -> 44100 Hz",
         in48,
         44100,
         {"sox", "-q", in48.string(), "-r", "44100", (work / "sox-rate.wav").string()},
         {},
         {}},
    };
    for (int round = 0; round < kRounds; ++round) {
        for (auto& job : jobs) {
            HRESULT hr = S_OK;
            job.graph.push_back(Seconds([&] {
                hr = ConvertThroughGraph(registry, job.input, work / "graph.wav", job.rate);
            }));
            if (FAILED(hr)) {
                std::fprintf(stderr, "%s: graph failed with 0x%08X\n", job.name, unsigned(hr));
                return 1;
            }
            int status = 0;
            job.peer.push_back(Seconds([&] { status = RunSox(job.sox); }));
            if (status != 0) {
                std::fprintf(stderr, "%s: sox failed (%d)\n", job.name, status);
                return 1;
            }
        }
    }
    std::printf("%d-second 16-bit stereo input, median of %d runs\n", seconds, kRounds);
    std::printf("%-28s %10s %10s %12s\n", "job", "graph s", "sox s", "sox/graph");
    for (const auto& job : jobs) {
        const double g = Median(job.graph), s = Median(job.peer);
        std::printf("%-28s %10.3f %10.3f %12.2f\n", job.name, g, s, s / g);
    }
    fs::remove_all(work);
    return 0;
}
