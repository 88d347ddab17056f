#pragma once
// Random access to the bytes of a file or a buffer, as the file parsers need it. The parser
// filters adapt their upstream IAsyncReader to this (AsyncReaderByteSource); tests and fuzz
// targets use SpanByteSource.
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnel {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Total number of bytes available.
    virtual uint64_t Size() const = 0;
    // Fills `out` from `offset`; false when not every byte could be read.
    virtual bool ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;
};

class SpanByteSource final : public ByteSource {
public:
    explicit SpanByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
        if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
};

}  // namespace tarnel
