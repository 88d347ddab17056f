#pragma once
// Compressed WAVE files for tests: 16-bit PCM bytes of a signal, a RIFF WAVE file around any
// "fmt " block, and whole files in the compressor formats (through the program's compressors)
// and in G.726 (straight through FFmpeg's encoder, which the program does not offer).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

std::vector<uint8_t> Pcm16(const PcmAudio& audio);

// A RIFF WAVE file with the given "fmt " block and data, padded as RIFF wants.
std::vector<uint8_t> WaveFile(const std::vector<uint8_t>& format, const std::vector<uint8_t>& data);

// The audio compressed by the installed compressor of that display name; empty when it is not
// installed or refuses the audio.
std::vector<uint8_t> CompressedWaveFile(const std::string& compressor, const PcmAudio& audio);

// The audio through the FFmpeg encoder of that name (16-bit interleaved input), the bare
// encoded stream; empty when the encoder is missing or refuses the audio.
std::vector<uint8_t> FfmpegEncode(const char* encoder, const PcmAudio& audio, int64_t bitRate);

// 8000 Hz mono audio as 32 kbit/s G.726 (format tag 0x0045); empty without the encoder.
std::vector<uint8_t> G726WaveFile(const PcmAudio& audio);

}  // namespace tarnel::test
