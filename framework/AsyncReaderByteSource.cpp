#include "framework/AsyncReaderByteSource.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace tarnel {

bool AsyncReaderByteSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    if (offset > size_ || out.size() > size_ - offset) return false;
    while (!out.empty()) {
        const int32_t n = int32_t(std::min<size_t>(out.size(), INT32_MAX));
        HRESULT hr = reader_->SyncRead(int64_t(offset), n, out.data());
        if (hr != S_OK) {
            if (SUCCEEDED(failure_)) failure_ = FAILED(hr) ? hr : VFW_E_FILE_TOO_SHORT;
            return false;
        }
        offset += uint64_t(n);
        out = out.subspan(size_t(n));
    }
    return true;
}

}  // namespace tarnel
