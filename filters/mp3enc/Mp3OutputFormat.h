#pragma once
// The 40-byte MPEG-1 wave format block (MPEG1WAVEFORMAT) that describes the encoder's output:
// WAVEFORMATEX with tag 0x0050 and 22 extra bytes (layer, bitrate, mode, mode extension,
// emphasis, flags, presentation time stamp), little-endian.

#include <array>
#include <cstddef>
#include <cstdint>

#include "filters/mp3enc/Mp3EncSettings.h"
#include "framework/WaveFormat.h"

namespace tarnel {

constexpr size_t kMpeg1WaveFormatSize = 40;
using Mpeg1WaveFormatBlock = std::array<uint8_t, kMpeg1WaveFormatSize>;

// Head layer and mode values of the block.
constexpr uint16_t kAcmMpegLayer3 = 4;
constexpr uint16_t kAcmMpegStereo = 1;
constexpr uint16_t kAcmMpegJointStereo = 2;
constexpr uint16_t kAcmMpegDualChannel = 4;
constexpr uint16_t kAcmMpegSingleChannel = 8;
// Head flags.
constexpr uint16_t kAcmMpegCopyright = 0x02;
constexpr uint16_t kAcmMpegOriginalHome = 0x04;
constexpr uint16_t kAcmMpegProtectionBit = 0x08;
constexpr uint16_t kAcmMpegId = 0x10;

// Fills `block` for the settings and the input format. A channel mode outside 0..3 keeps the
// head mode that `block` already holds.
void BuildMpeg1WaveFormat(const Mp3EncSettings& settings, const WAVEFORMATEX& input,
                          Mpeg1WaveFormatBlock& block);

}  // namespace tarnel
