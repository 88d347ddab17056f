// Feeds arbitrary bytes to the MPEG decoder core in chunks the input chooses, reading into
// buffers of odd sizes: nothing may be written past a buffer, output always comes in whole
// sample frames, and the output is bounded by the input. The first byte picks the output
// format (low seven bits: rate, modulo the table; top bit: stereo), the second the chunk and
// buffer sizes; the seed corpus starts each stream with the bytes of its own format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/media/mpeg/MpegDecoderCore.h"

using tarnel::media::MpegDecoderCore;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const long kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    const size_t rateIndex = (data[0] & 0x7F) % 9;
    const int channels = 1 + (data[0] >> 7);
    const size_t chunk = 1 + size_t(data[1]) * 7;
    const size_t outBytes = 2 + size_t(data[1] % 61) * 96;
    data += 2;
    size -= 2;

    // Setting up a libmpg123 handle is costly; one per output format is kept and restarted,
    // which is also what the decoder filter does after a flush.
    static MpegDecoderCore cores[9][2];
    MpegDecoderCore& core = cores[rateIndex][channels - 1];
    if (!core.IsOpen() && !core.Open(kRates[rateIndex], channels)) std::abort();
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
        // Never more audio than the bytes so far can hold, at any point of the stream.
        Check(produced / uint64_t(core.BytesPerFrame()) <=
              MpegDecoderCore::kMaxFramesPerInputByte * uint64_t(at + n));
    }
    return 0;
}
