#pragma once
// A source filter over bytes in memory whose output pin is an IAsyncReader, as a file source's
// is; it counts the bytes read.

#include <atomic>
#include <cstdint>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BasePin.h"
#include "framework/Guids.h"

namespace tarnel::test::harness {

class MemoryReader;

class MemoryReaderPin : public CBasePin, public IAsyncReader {
public:
    MemoryReaderPin(MemoryReader* filter, CCritSec* lock);
    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) override;
    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    MemoryReader* reader_;
};

class MemoryReader : public CBaseFilter {
public:
    // The pin offers MEDIATYPE_Stream with `subtype`.
    explicit MemoryReader(std::vector<uint8_t> bytes, const GUID& subtype = MEDIASUBTYPE_OggStream);
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
    MemoryReaderPin* Pin() { return &pin_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    const GUID& Subtype() const { return subtype_; }
    std::atomic<int64_t> bytesRead{0};

private:
    CCritSec lock_;
    std::vector<uint8_t> bytes_;
    GUID subtype_;
    MemoryReaderPin pin_;
};

}  // namespace tarnel::test::harness
