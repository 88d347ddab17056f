// Feeds arbitrary bytes to the MPEG decoder core in chunks the input chooses, reading into
// buffers of odd sizes: nothing may be written past a buffer, output always comes in whole
// sample frames, and nothing may grow without bound.
#include <lame/lame.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/media/MpegDecoderCore.h"

using tarnel::media::MpegDecoderCore;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// A short real stream from LAME: a sine at the given rate and channel count.
std::vector<uint8_t> LameSine(int rate, int channels, bool infoTag) {
    lame_t l = lame_init();
    lame_set_num_channels(l, channels);
    lame_set_in_samplerate(l, rate);
    lame_set_out_samplerate(l, rate);
    lame_set_brate(l, 64);
    lame_set_bWriteVbrTag(l, infoTag ? 1 : 0);
    lame_init_params(l);
    const int frames = rate / 5;
    std::vector<short> pcm(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        pcm[size_t(i) * 2] = pcm[size_t(i) * 2 + 1] = short(8000 * std::sin(0.05 * i));
    }
    std::vector<uint8_t> out(size_t(frames) * 2 + 16384);
    int n = channels == 2
                ? lame_encode_buffer_interleaved(l, pcm.data(), frames, out.data(), int(out.size()))
                : lame_encode_buffer(l, pcm.data(), nullptr, frames, out.data(), int(out.size()));
    n += lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    out.resize(size_t(n));
    if (infoTag) {
        std::vector<uint8_t> tag(4096);
        const size_t size = lame_get_lametag_frame(l, tag.data(), tag.size());
        if (size > 0 && size <= out.size())
            std::copy(tag.begin(), tag.begin() + long(size), out.begin());
    }
    lame_close(l);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const long kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    const long rate = kRates[data[0] % 9];
    const int channels = 1 + (data[0] >> 7);
    const size_t chunk = 1 + size_t(data[1]) * 7;
    const size_t outBytes = 2 + size_t(data[1] % 61) * 96;
    data += 2;
    size -= 2;

    // Setting up a libmpg123 handle is costly; one per output format is kept and restarted,
    // which is also what the decoder filter does after a flush.
    static MpegDecoderCore cores[9][2];
    MpegDecoderCore& core = cores[data[-2] % 9][channels - 1];
    if (!core.IsOpen() && !core.Open(rate, channels)) std::abort();
    if (!core.Restart()) std::abort();
    constexpr size_t kGuard = 64;
    std::vector<uint8_t> out(outBytes + kGuard, 0xA5);
    uint64_t produced = 0;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = std::min(chunk, size - at);
        if (!core.Feed(std::span(data + at, n))) core.Restart();
        for (int guard = 0; guard < 1'000'000; ++guard) {
            size_t got = 0;
            auto status = core.Read(std::span(out.data(), outBytes), &got);
            Check(got <= outBytes);
            Check(got % size_t(core.BytesPerFrame()) == 0);
            produced += got;
            if (status != MpegDecoderCore::Status::Output) break;
        }
        for (size_t g = 0; g < kGuard; ++g) Check(out[outBytes + g] == 0xA5);
    }
    // Every MPEG frame is at least 24 bytes and gives at most 1152 samples per channel.
    Check(produced <= (uint64_t(size) / 24 + 2) * 1152 * uint64_t(core.BytesPerFrame()));
    return 0;
}

extern "C" size_t TarnelFuzzSeedCount() {
    return 3;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    std::vector<uint8_t> seed = {0x87, 40};  // 44100 Hz stereo output, mid-sized chunks
    std::vector<uint8_t> stream;
    switch (index) {
        case 0:
            stream = LameSine(44100, 2, false);
            break;
        case 1:
            stream = LameSine(44100, 2, true);
            break;
        default:  // a 22050 Hz mono stream into 44100 Hz stereo output
            stream = LameSine(22050, 1, false);
            break;
    }
    seed.insert(seed.end(), stream.begin(), stream.end());
    return seed;
}
