#pragma once
// Synthetic audio for tests: signals, a minimal WAV writer and an independent WAV reader, and
// measurements (level, frequency). Kept apart from the program's own WAV code on purpose, so a
// test never checks our writer with our own parser.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnel::test {

struct PcmAudio {
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;  // 8, 16, 24, 32
    bool isFloat = false;    // 32-bit IEEE float when true
    std::vector<double> samples;  // interleaved, full scale is [-1, 1)

    size_t frames() const { return channels ? samples.size() / channels : 0; }
    double seconds() const { return sampleRate ? double(frames()) / sampleRate : 0.0; }
};

// A sine of the given frequency and peak amplitude (0..1) on every channel.
PcmAudio MakeSine(int sampleRate, int channels, double seconds, double frequency,
                  double amplitude, int bitsPerSample = 16);

// Encodes as RIFF WAVE (PCM tag 1, or 3 for float; WAVE_FORMAT_EXTENSIBLE when asked).
std::vector<uint8_t> EncodeWav(const PcmAudio& audio, bool extensible = false);
void WriteWav(const std::filesystem::path& path, const PcmAudio& audio, bool extensible = false);

// Parses a RIFF WAVE file with PCM or float data; throws std::runtime_error on anything else.
struct WavInfo {
    uint16_t formatTag = 0;
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    PcmAudio audio;
};
WavInfo ReadWav(const std::filesystem::path& path);

// Root mean square level of one channel in dB relative to full scale (a full-scale sine is
// about -3.01 dB).
double RmsDb(const PcmAudio& audio, int channel, size_t skipFrames = 0);

// Frequency of a periodic signal from its rising zero crossings.
double EstimateFrequency(const PcmAudio& audio, int channel, size_t skipFrames = 0);

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace tarnel::test
