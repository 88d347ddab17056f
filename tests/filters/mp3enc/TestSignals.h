#pragma once
// Signals and slices for the MPEG tests, beyond what tests/support offers.
#include <cstddef>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

// A stereo signal with a different sine on each channel.
PcmAudio MakeTwoToneStereo(int rate, double seconds, double leftHz, double rightHz,
                           double amplitude);

// Frames [from, to) of the audio (clamped to its length).
PcmAudio SliceFrames(const PcmAudio& audio, size_t from, size_t to);

}  // namespace tarnel::test
