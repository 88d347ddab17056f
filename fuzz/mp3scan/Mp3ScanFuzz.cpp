// Walks arbitrary bytes as MPEG audio: the scan must stay inside the buffer, always advance and
// give a finite, non-negative duration.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "engine/Mp3DurationScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const double seconds = tarnel::ScanMp3Duration(bytes);
    if (!std::isfinite(seconds) || seconds < 0) std::abort();
    const uint64_t tags = tarnel::Id3v2TagsSize(bytes);
    (void)tags;  // any value is allowed; only the walk over the bytes is checked
    return 0;
}
