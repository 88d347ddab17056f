#pragma once
// Conversion of interleaved input frames into libvorbis' per-channel float analysis buffers.

#include <cstdint>
#include <vector>

namespace tarnel {

// Converts `frames` frames starting at `data` into out[channelMap[k]][offset + f]. 16-bit
// integers are scaled by 2^-15 (-32768 gives -1.0, 16384 gives 0.5); 32-bit floats are copied
// unchanged. Reads need no alignment.
void DeinterleaveFrames(const uint8_t* data, int64_t frames, int channels, bool isFloat,
                        const std::vector<int>& channelMap, float** out, int offset);

// The channel map for an input channel count: WAVE order (FL FR C LFE BL BR) to Vorbis order
// (FL C FR BL BR LFE) for six channels, the identity otherwise.
std::vector<int> VorbisChannelMapForInput(int channels);

}  // namespace tarnel
