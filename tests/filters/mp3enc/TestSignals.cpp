#include "tests/filters/mp3enc/TestSignals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarnel::test {

PcmAudio MakeTwoToneStereo(int rate, double seconds, double leftHz, double rightHz,
                           double amplitude) {
    PcmAudio a;
    a.sampleRate = rate;
    a.channels = 2;
    const size_t frames = static_cast<size_t>(seconds * rate);
    a.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        a.samples[2 * i] = amplitude * std::sin(2 * std::numbers::pi * leftHz * t);
        a.samples[2 * i + 1] = amplitude * std::sin(2 * std::numbers::pi * rightHz * t);
    }
    return a;
}

PcmAudio SliceFrames(const PcmAudio& audio, size_t from, size_t to) {
    PcmAudio out = audio;
    to = std::min(to, audio.frames());
    from = std::min(from, to);
    out.samples.assign(audio.samples.begin() + static_cast<long>(from * audio.channels),
                       audio.samples.begin() + static_cast<long>(to * audio.channels));
    return out;
}

}  // namespace tarnel::test
