#pragma once
#include <cstdint>
#include <span>

#include "framework/ByteSource.h"
#include "framework/Interfaces.h"

namespace tarnel {

// ByteSource over an upstream IAsyncReader, for the parsers' file walks; remembers the first
// read failure.
class AsyncReaderByteSource final : public ByteSource {
public:
    AsyncReaderByteSource(IAsyncReader* reader, uint64_t size) : reader_(reader), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override;
    HRESULT failure() const { return failure_; }

private:
    IAsyncReader* reader_;
    uint64_t size_;
    HRESULT failure_ = S_OK;
};

}  // namespace tarnel
