#include "tests/filters/mp3enc/Mpg123Reference.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tarnel::test {
namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

Handle NewHandle() {
    static const int init = mpg123_init();
    (void)init;
    int err = 0;
    Handle h(mpg123_new(nullptr, &err));
    if (!h) return h;
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Only 16-bit output, at whatever rate and channel count the stream has.
    mpg123_format_none(h.get());
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) {
        mpg123_format(h.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    return h;
}

// Reads until the end; returns false when the stream never produced a format.
bool Drain(mpg123_handle* h, Mpg123Decoded& out, bool feedMode) {
    std::vector<int16_t> samples;
    long rate = 0;
    int channels = 0, encoding = 0;
    std::vector<unsigned char> buffer(1 << 16);
    for (int guard = 0; guard < 10'000'000; ++guard) {
        size_t done = 0;
        int rc = mpg123_read(h, buffer.data(), buffer.size(), &done);
        if (done > 0) {
            const auto* s = reinterpret_cast<const int16_t*>(buffer.data());
            samples.insert(samples.end(), s, s + done / 2);
        }
        if (rc == MPG123_NEW_FORMAT) {
            mpg123_getformat(h, &rate, &channels, &encoding);
            continue;
        }
        if (rc == MPG123_OK) continue;
        if (rc == MPG123_DONE || (feedMode && rc == MPG123_NEED_MORE)) break;
        if (rc == MPG123_ERR) {
            if (++out.errors > 1000) break;
            continue;
        }
        break;
    }
    if (channels == 0) return false;
    out.frames = static_cast<int>(mpg123_tellframe(h));
    out.audio = PcmFromInt16(samples, static_cast<int>(rate), channels);
    return true;
}

}  // namespace

PcmAudio PcmFromInt16(const std::vector<int16_t>& samples, int rate, int channels) {
    PcmAudio audio;
    audio.sampleRate = rate;
    audio.channels = channels;
    audio.bitsPerSample = 16;
    audio.samples.reserve(samples.size());
    for (int16_t s : samples) audio.samples.push_back(s / 32768.0);
    return audio;
}

std::vector<uint8_t> Int16Bytes(const PcmAudio& audio) {
    std::vector<uint8_t> bytes;
    bytes.reserve(audio.samples.size() * 2);
    for (double v : audio.samples) {
        long s = std::lround(v * 32768.0);
        s = std::clamp(s, -32768L, 32767L);
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

std::optional<Mpg123Decoded> DecodeMp3Bytes(const std::vector<uint8_t>& bytes) {
    Handle h = NewHandle();
    if (!h || mpg123_open_feed(h.get()) != MPG123_OK) return std::nullopt;
    if (!bytes.empty() && mpg123_feed(h.get(), bytes.data(), bytes.size()) != MPG123_OK) {
        return std::nullopt;
    }
    Mpg123Decoded out;
    if (!Drain(h.get(), out, true)) return std::nullopt;
    return out;
}

std::optional<Mpg123Decoded> DecodeMp3File(const std::filesystem::path& path) {
    Handle h = NewHandle();
    if (!h || mpg123_open(h.get(), path.c_str()) != MPG123_OK) return std::nullopt;
    Mpg123Decoded out;
    if (!Drain(h.get(), out, false)) return std::nullopt;
    return out;
}

long FirstFrameSyncOffset(const std::vector<uint8_t>& b) {
    size_t p = 0;
    if (b.size() >= 10 && b[0] == 'I' && b[1] == 'D' && b[2] == '3') {
        p = 10 + ((size_t(b[6]) << 21) | (size_t(b[7]) << 14) | (size_t(b[8]) << 7) | b[9]);
    }
    for (; p + 1 < b.size(); ++p) {
        if (b[p] == 0xFF && (b[p + 1] & 0xE0) == 0xE0) return static_cast<long>(p);
    }
    return -1;
}

}  // namespace tarnel::test
