#include "bench/probe/ProbeBenchFiles.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

namespace tarnel::bench {
namespace {

void Put16(std::ofstream& out, uint32_t v) {
    const char b[2] = {char(v), char(v >> 8)};
    out.write(b, 2);
}
void Put32(std::ofstream& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::vector<int16_t> Tone(int rate, int channels, double seconds, double frequency) {
    const auto frames = static_cast<size_t>(seconds * rate);
    std::vector<int16_t> pcm(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const double v = 0.4 * std::sin(2 * std::numbers::pi * frequency * double(i) / rate);
        for (int c = 0; c < channels; ++c) pcm[i * channels + c] = int16_t(v * 32767);
    }
    return pcm;
}

void WriteWav(const std::filesystem::path& path, int rate, int channels, int bits, double seconds) {
    const auto pcm = Tone(rate, channels, seconds, 440);
    const uint32_t bytes = uint32_t(pcm.size() * (bits / 8));
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * channels * bits / 8);
    Put16(out, channels * bits / 8);
    Put16(out, bits);
    out.write("data", 4);
    Put32(out, bytes);
    for (int16_t s : pcm) {
        if (bits == 8) {
            out.put(char(uint8_t((s >> 8) + 128)));
        } else {
            Put16(out, uint16_t(s));
        }
    }
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

struct LameCloser {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};

void WriteMp3(const std::filesystem::path& path, int rate, int channels, int kbps, bool vbr,
              double seconds) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) throw std::runtime_error("lame_init failed");
    lame_set_num_channels(lame.get(), channels);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_mode(lame.get(), channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(lame.get(), 7);  // fast; the content does not matter here
    if (vbr) {
        lame_set_VBR(lame.get(), vbr_default);
        lame_set_VBR_q(lame.get(), 5);
    } else {
        lame_set_brate(lame.get(), kbps);
    }
    if (lame_init_params(lame.get()) < 0) throw std::runtime_error("lame_init_params failed");
    const auto pcm = Tone(rate, channels, seconds, 330);
    const int frames = int(pcm.size() / channels);
    std::vector<unsigned char> mp3(size_t(1.25 * frames) + 7200);
    std::ofstream out(path, std::ios::binary);
    constexpr int kChunk = 8192;
    for (int at = 0; at < frames; at += kChunk) {
        const int n = std::min(kChunk, frames - at);
        int got = 0;
        if (channels == 2) {
            got =
                lame_encode_buffer_interleaved(lame.get(), const_cast<short*>(&pcm[size_t(at) * 2]),
                                               n, mp3.data(), int(mp3.size()));
        } else {
            got = lame_encode_buffer(lame.get(), &pcm[size_t(at)], &pcm[size_t(at)], n, mp3.data(),
                                     int(mp3.size()));
        }
        if (got < 0) throw std::runtime_error("lame_encode_buffer failed");
        out.write(reinterpret_cast<const char*>(mp3.data()), got);
    }
    const int tail = lame_encode_flush(lame.get(), mp3.data(), int(mp3.size()));
    if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
    out.write(reinterpret_cast<const char*>(mp3.data()), tail);
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::vector<BenchFile> MakeBenchFiles(const std::filesystem::path& folder, int count) {
    std::filesystem::create_directories(folder);
    std::mt19937 rng(4242);
    const int wavRates[] = {8000, 11025, 22050, 32000, 44100, 48000};
    const int mp3Rates[] = {22050, 32000, 44100, 48000};
    const int kbps[] = {64, 96, 128, 192, 256};
    std::vector<BenchFile> files;
    for (int i = 0; i < count; ++i) {
        BenchFile f;
        f.seconds = 5 + int(rng() % 56);  // 5..60 s
        const int channels = 1 + int(rng() % 2);
        char name[32];
        if (i % 2 == 0) {
            std::snprintf(name, sizeof name, "wav%03d.wav", i);
            f.path = folder / name;
            f.format = "WAV";
            const int rate = wavRates[rng() % 6];
            const int bits = rng() % 4 == 0 ? 8 : 16;
            if (!std::filesystem::exists(f.path)) WriteWav(f.path, rate, channels, bits, f.seconds);
        } else {
            std::snprintf(name, sizeof name, "mp3%03d.mp3", i);
            f.path = folder / name;
            f.format = "MP3";
            const int rate = mp3Rates[rng() % 4];
            const int rateKbps = kbps[rng() % 5];
            const bool vbr = rng() % 3 == 0;
            if (!std::filesystem::exists(f.path)) {
                WriteMp3(f.path, rate, channels, rateKbps, vbr, f.seconds);
            }
        }
        files.push_back(f);
    }
    return files;
}

}  // namespace tarnel::bench
