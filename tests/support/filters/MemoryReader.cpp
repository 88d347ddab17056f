#include "tests/support/filters/MemoryReader.h"

#include <algorithm>
#include <cstring>

namespace tarnel::test::harness {

MemoryReaderPin::MemoryReaderPin(MemoryReader* filter, CCritSec* lock)
    : CBasePin("Output", filter, lock, nullptr, PINDIR_OUTPUT), reader_(filter) {}

void* MemoryReaderPin::QueryInterface(const GUID& iid) {
    if (iid == IAsyncReader::IID) return static_cast<IAsyncReader*>(this);
    return CBasePin::QueryInterface(iid);
}

HRESULT MemoryReaderPin::CheckMediaType(const CMediaType* type) {
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT MemoryReaderPin::GetMediaType(int position, CMediaType* type) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, reader_->Subtype(), GUID_NULL);
    return S_OK;
}

HRESULT MemoryReaderPin::SyncRead(int64_t position, int32_t length, uint8_t* buffer) {
    const auto& bytes = reader_->Bytes();
    if (position < 0 || length < 0) return E_INVALIDARG;
    const auto size = static_cast<int64_t>(bytes.size());
    const int64_t available = std::max<int64_t>(0, std::min<int64_t>(length, size - position));
    if (available > 0) std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(available));
    reader_->bytesRead += available;
    return available == length ? S_OK : S_FALSE;
}

HRESULT MemoryReaderPin::Length(int64_t* total, int64_t* available) {
    const auto size = static_cast<int64_t>(reader_->Bytes().size());
    if (total) *total = size;
    if (available) *available = size;
    return S_OK;
}

MemoryReader::MemoryReader(std::vector<uint8_t> bytes, const GUID& subtype)
    : CBaseFilter("Memory Reader", &lock_, GUID_NULL),
      bytes_(std::move(bytes)),
      subtype_(subtype),
      pin_(this, &lock_) {}

}  // namespace tarnel::test::harness
