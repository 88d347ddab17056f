#pragma once
// The time line of a PCM stream measured in bytes: each sample is stamped from the number of
// bytes that came before it, at a whole number of 100-ns units per byte.
//
// The duration of one byte is truncated (56 units at 176400 bytes per second rather than
// 56.69), and each sample starts one byte's duration after the previous stop; the encoders and
// writers behind the corrector only need a monotonic, gap-free line that starts at 0.

#include <cstdint>

namespace tarnel {

class ByteTimeLine {
public:
    // Whole 100-ns units per byte: the integer part of 10 000 000 / bytesPerSecond; 0 when the
    // rate is 0 (no duration can be derived).
    static constexpr int64_t TimePerByte(uint32_t bytesPerSecond) {
        if (bytesPerSecond == 0) return 0;
        return static_cast<int64_t>(10'000'000.0 / static_cast<double>(bytesPerSecond));
    }

    struct Span {
        int64_t start = 0;
        int64_t stop = 0;
    };

    // Starts a new line at 0.
    void Restart(uint32_t bytesPerSecond) {
        bytesPerSecond_ = bytesPerSecond;
        timePerByte_ = TimePerByte(bytesPerSecond);
        nextStart_ = 0;
    }
    void Clear() {
        bytesPerSecond_ = 0;
        timePerByte_ = 0;
        nextStart_ = 0;
    }

    // Stamps the next sample of byteCount bytes and advances the line.
    Span Next(int64_t byteCount) {
        Span span{nextStart_, nextStart_ + byteCount * timePerByte_};
        nextStart_ = span.stop + timePerByte_;
        return span;
    }

    uint32_t bytesPerSecond() const { return bytesPerSecond_; }
    int64_t timePerByte() const { return timePerByte_; }
    int64_t nextStart() const { return nextStart_; }

private:
    uint32_t bytesPerSecond_ = 0;
    int64_t timePerByte_ = 0;
    int64_t nextStart_ = 0;
};

}  // namespace tarnel
