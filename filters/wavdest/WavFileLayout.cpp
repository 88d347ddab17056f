#include "filters/wavdest/WavFileLayout.h"

#include <cstring>

#include "framework/WaveFormat.h"

namespace tarnel {

namespace {

void PutTag(uint8_t* p, const char (&tag)[5]) {
    std::memcpy(p, tag, 4);
}

}  // namespace

std::vector<uint8_t> BuildWavHeader(std::span<const uint8_t> formatBlock, uint32_t dataBytes) {
    const auto formatBytes = static_cast<uint32_t>(formatBlock.size());
    std::vector<uint8_t> header(size_t{formatBytes} + 28);
    uint8_t* p = header.data();
    PutTag(p, "RIFF");
    // Wraps only when the caller let the file pass 4 GiB, which NextWriteRange prevents.
    WriteLe32(p + 4, formatBytes + 20 + dataBytes);
    PutTag(p + 8, "WAVE");
    PutTag(p + 12, "fmt ");
    WriteLe32(p + 16, formatBytes);
    if (formatBytes != 0) std::memcpy(p + 20, formatBlock.data(), formatBytes);
    PutTag(p + 20 + formatBytes, "data");
    WriteLe32(p + 24 + formatBytes, dataBytes);
    return header;
}

std::optional<ByteRange> NextWriteRange(uint32_t headerSize, uint32_t bytesWritten,
                                        uint32_t length) {
    const uint32_t start = headerSize + bytesWritten;
    const uint32_t end = start + length;
    // Either addition wrapping means the file would pass 4 GiB - 1.
    if (start < headerSize || end < start) return std::nullopt;
    return ByteRange{start, end};
}

int64_t PcmBytesToMediaTime(uint32_t length, uint32_t avgBytesPerSec) {
    if (avgBytesPerSec == 0) return 0;
    return static_cast<int64_t>(static_cast<double>(length) * 10'000'000.0 /
                                static_cast<double>(avgBytesPerSec));
}

}  // namespace tarnel
