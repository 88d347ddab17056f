#pragma once
// What the "Audio Renderer" can play, and its volume applied to samples: pure functions, so the
// tests check them without a device.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "framework/MediaType.h"
#include "platform/media/renderer/AudioOutput.h"

namespace tarnel::media {

// The device format for a wave audio type: unsigned 8-bit, signed 16- or 32-bit PCM or 32-bit
// float (also in an extensible block with every bit valid), 1 to 8 channels, 1 kHz to
// 384 kHz. Nothing for anything else (24-bit PCM, compressed audio): the graph then puts a
// converter in front.
std::optional<AudioSampleFormat> PlayableFormat(const CMediaType& type);

// IBasicAudio volume, in hundredths of a decibel (-10000..0), as a linear factor.
double GainForVolume(int32_t volume);

// Scales `bytes` bytes of whole samples in place by `gain`, rounded to the nearest value and
// clipped to the sample range; a gain of 1 leaves the bytes as they are.
void ApplyGain(uint8_t* samples, size_t bytes, DeviceSample kind, double gain);

}  // namespace tarnel::media
