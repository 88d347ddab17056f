#include "tests/support/TestAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

namespace tarnel::test {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

}  // namespace

PcmAudio MakeSine(int sampleRate, int channels, double seconds, double frequency,
                  double amplitude, int bitsPerSample) {
    PcmAudio audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    audio.bitsPerSample = bitsPerSample;
    auto frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    audio.samples.resize(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        double v = amplitude * std::sin(2 * std::numbers::pi * frequency * double(i) / sampleRate);
        for (int c = 0; c < channels; ++c) audio.samples[i * channels + c] = v;
    }
    return audio;
}

std::vector<uint8_t> EncodeWav(const PcmAudio& audio, bool extensible) {
    const int bytes = audio.bitsPerSample / 8;
    const uint32_t dataSize = static_cast<uint32_t>(audio.samples.size() * bytes);
    const uint16_t tag = extensible ? 0xFFFE : (audio.isFloat ? 3 : 1);
    const uint32_t fmtSize = extensible ? 40 : 16;
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, 4 + 8 + fmtSize + 8 + dataSize);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, fmtSize);
    Put16(out, tag);
    Put16(out, audio.channels);
    Put32(out, audio.sampleRate);
    Put32(out, audio.sampleRate * audio.channels * bytes);
    Put16(out, audio.channels * bytes);
    Put16(out, audio.bitsPerSample);
    if (extensible) {
        Put16(out, 22);
        Put16(out, audio.bitsPerSample);
        Put32(out, audio.channels == 1 ? 0x4 : 0x3);
        // KSDATAFORMAT_SUBTYPE_PCM or _IEEE_FLOAT
        Put32(out, audio.isFloat ? 3 : 1);
        const uint8_t tail[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
                                0x00, 0x38, 0x9B, 0x71};
        out.insert(out.end(), std::begin(tail), std::end(tail));
    }
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, dataSize);
    for (double s : audio.samples) {
        double c = std::clamp(s, -1.0, 1.0);
        if (audio.isFloat) {
            float f = static_cast<float>(c);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            Put32(out, bits);
        } else if (bytes == 1) {
            out.push_back(uint8_t(std::clamp<long>(std::lround(c * 128.0) + 128, 0, 255)));
        } else {
            const double scale = std::ldexp(1.0, audio.bitsPerSample - 1);
            long long v = std::clamp<long long>(std::llround(c * scale), -(long long)scale,
                                                (long long)scale - 1);
            for (int b = 0; b < bytes; ++b) out.push_back(uint8_t(uint64_t(v) >> (8 * b)));
        }
    }
    return out;
}

void WriteWav(const std::filesystem::path& path, const PcmAudio& audio, bool extensible) {
    WriteFileBytes(path, EncodeWav(audio, extensible));
}

WavInfo ReadWav(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        throw std::runtime_error("not a RIFF WAVE file: " + path.string());
    }
    WavInfo info;
    info.riffSize = Get32(bytes.data() + 4);
    size_t pos = 12;
    bool haveFmt = false;
    while (pos + 8 <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + pos;
        uint32_t size = Get32(chunk + 4);
        size_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && body + 16 <= bytes.size()) {
            info.formatTag = uint16_t(Get16(bytes.data() + body));
            info.audio.channels = int(Get16(bytes.data() + body + 2));
            info.audio.sampleRate = int(Get32(bytes.data() + body + 4));
            info.avgBytesPerSec = Get32(bytes.data() + body + 8);
            info.blockAlign = uint16_t(Get16(bytes.data() + body + 12));
            info.audio.bitsPerSample = int(Get16(bytes.data() + body + 14));
            uint16_t tag = info.formatTag;
            if (tag == 0xFFFE && size >= 40 && body + 40 <= bytes.size()) {
                tag = uint16_t(Get16(bytes.data() + body + 24));
            }
            info.audio.isFloat = tag == 3;
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt) throw std::runtime_error("data before fmt");
            info.dataSize = size;
            size_t avail = std::min<size_t>(size, bytes.size() - body);
            int width = info.audio.bitsPerSample / 8;
            if (width <= 0) throw std::runtime_error("bad sample width");
            size_t count = avail / width;
            info.audio.samples.resize(count);
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = bytes.data() + body + i * width;
                if (info.audio.isFloat) {
                    uint32_t bits = Get32(p);
                    float f;
                    std::memcpy(&f, &bits, 4);
                    info.audio.samples[i] = f;
                } else if (width == 1) {
                    info.audio.samples[i] = (int(p[0]) - 128) / 128.0;
                } else {
                    uint64_t raw = 0;
                    for (int b = 0; b < width; ++b) raw |= uint64_t(p[b]) << (8 * b);
                    int shift = 64 - 8 * width;
                    int64_t v = int64_t(raw << shift) >> shift;
                    info.audio.samples[i] = double(v) / std::ldexp(1.0, 8 * width - 1);
                }
            }
            return info;
        }
        pos = body + size + (size & 1);
    }
    throw std::runtime_error("no data chunk: " + path.string());
}

double RmsDb(const PcmAudio& audio, int channel, size_t skipFrames) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = skipFrames; i < audio.frames(); ++i, ++n) {
        double v = audio.samples[i * audio.channels + channel];
        sum += v * v;
    }
    if (n == 0 || sum == 0) return -200.0;
    return 10.0 * std::log10(sum / double(n));
}

double EstimateFrequency(const PcmAudio& audio, int channel, size_t skipFrames) {
    long first = -1, last = -1, crossings = 0;
    for (size_t i = skipFrames + 1; i < audio.frames(); ++i) {
        double a = audio.samples[(i - 1) * audio.channels + channel];
        double b = audio.samples[i * audio.channels + channel];
        if (a < 0 && b >= 0) {
            if (first < 0) first = long(i);
            last = long(i);
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return double(crossings - 1) * audio.sampleRate / double(last - first);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace tarnel::test
