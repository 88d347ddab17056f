#pragma once
// Conversion of libvorbis' per-channel float output into interleaved PCM frames.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarnel {

// Writes frames [first, first + count) of pcm[channel][frame] into out, frame by frame, Vorbis
// channel j at position channelMap[j]. Float output: value × gain. 16-bit output:
// value × gain × 32767, truncated toward zero and clamped to -32768..32767.
void InterleaveFrames(float* const* pcm, int first, int count, int channels,
                      const std::vector<int>& channelMap, float gain, bool floatOutput,
                      uint8_t* out);

// The map from Vorbis channel order to WAVE order: for six channels Vorbis FL C FR RL RR LFE
// go to WAVE FL FR C LFE BL BR ([0, 2, 1, 4, 5, 3]); the identity otherwise.
std::vector<int> WaveChannelMapForVorbis(int channels);

// The replay gain factor of a "LWING_GAIN" or "POSTGAIN" value: a decimal number; false for
// text that is not one (or not finite).
bool ParseGainValue(std::string_view text, float* gain);

}  // namespace tarnel
