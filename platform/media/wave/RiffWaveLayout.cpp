#include "platform/media/wave/RiffWaveLayout.h"

#include <algorithm>
#include <cstring>

#include "framework/WaveFormat.h"

namespace tarnel::media {
namespace {

// Turns the body of a "fmt " chunk into a WAVEFORMATEX block with a truthful cbSize.
WaveParseError NormaliseFormat(std::vector<uint8_t>& body) {
    if (body.size() < 14) return WaveParseError::NoFormat;
    if (body.size() < 16) {
        // A bare WAVEFORMAT has no sample size; for PCM it follows from the block align.
        const uint16_t channels = ReadLe16(&body[2]);
        const uint16_t blockAlign = ReadLe16(&body[12]);
        const uint16_t bits = channels ? uint16_t(blockAlign / channels * 8) : 0;
        body.resize(16);
        WriteLe16(&body[14], bits);
    }
    if (body.size() < kWaveFormatExSize) {
        body.resize(kWaveFormatExSize);
        WriteLe16(&body[16], 0);
    }
    const size_t available = body.size() - kWaveFormatExSize;
    const uint16_t extra = uint16_t(std::min<size_t>(ReadLe16(&body[16]), available));
    WriteLe16(&body[16], extra);
    body.resize(kWaveFormatExSize + extra);
    return WaveParseError::None;
}

WaveParseError CheckFormat(std::vector<uint8_t>& block) {
    auto info = DecodeWaveFormat(block);
    if (!info) return WaveParseError::NoFormat;
    if (info->channels == 0 || info->blockAlign == 0 || info->sampleRate == 0) {
        return WaveParseError::BadFormat;
    }
    const SampleKind kind = info->Kind();
    if (kind != SampleKind::Compressed) {
        if (!IsConvertiblePcm(*info)) return WaveParseError::BadFormat;
        // Uncompressed rates follow from the layout; a wrong stored rate would give a wrong
        // duration and wrong positions, so it is repaired.
        const uint64_t rate = uint64_t(info->sampleRate) * info->blockAlign;
        if (rate > 0xFFFFFFFFu) return WaveParseError::BadFormat;
        WriteLe32(&block[8], uint32_t(rate));
    } else if (info->avgBytesPerSec == 0) {
        return WaveParseError::BadFormat;
    }
    return WaveParseError::None;
}

}  // namespace

RiffWaveParse ParseRiffWave(ByteSource& source) {
    RiffWaveParse result;
    const uint64_t size = source.Size();
    uint8_t header[12];
    if (size < sizeof header) {
        result.error = WaveParseError::NotWave;
        return result;
    }
    if (!source.ReadAt(0, header)) {
        result.error = WaveParseError::ReadFailed;
        return result;
    }
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
        result.error = WaveParseError::NotWave;
        return result;
    }

    bool haveFormat = false;
    bool haveData = false;
    uint64_t pos = 12;
    for (int chunks = 0; pos + 8 <= size; ++chunks) {
        if (chunks == kMaxChunks) {
            result.error = WaveParseError::TooManyChunks;
            return result;
        }
        uint8_t chunk[8];
        if (!source.ReadAt(pos, chunk)) {
            result.error = WaveParseError::ReadFailed;
            return result;
        }
        const uint32_t chunkSize = ReadLe32(chunk + 4);
        const uint64_t body = pos + 8;
        const uint64_t present = std::min<uint64_t>(chunkSize, size - body);
        if (!haveFormat && std::memcmp(chunk, "fmt ", 4) == 0) {
            std::vector<uint8_t> block(std::min<uint64_t>(present, kMaxFormatBlock));
            if (!source.ReadAt(body, block)) {
                result.error = WaveParseError::ReadFailed;
                return result;
            }
            if (WaveParseError e = NormaliseFormat(block); e != WaveParseError::None) {
                result.error = e;
                return result;
            }
            result.layout.formatBlock = std::move(block);
            haveFormat = true;
        } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
            result.layout.dataOffset = body;
            result.layout.declaredDataSize = chunkSize;
            result.layout.dataSize = present;
            haveData = true;
        }
        if (haveFormat && haveData) break;
        pos = body + uint64_t(chunkSize) + (chunkSize & 1);
    }
    if (!haveFormat) {
        result.error = WaveParseError::NoFormat;
        return result;
    }
    if (!haveData) {
        result.error = WaveParseError::NoData;
        return result;
    }
    if (WaveParseError e = CheckFormat(result.layout.formatBlock); e != WaveParseError::None) {
        result.error = e;
        return result;
    }
    const uint16_t blockAlign = ReadLe16(&result.layout.formatBlock[12]);
    result.layout.dataSize -= result.layout.dataSize % blockAlign;
    return result;
}

const char* WaveParseErrorText(WaveParseError error) {
    switch (error) {
        case WaveParseError::None:
            return "no error";
        case WaveParseError::NotWave:
            return "not a RIFF WAVE file";
        case WaveParseError::NoFormat:
            return "no usable format chunk";
        case WaveParseError::BadFormat:
            return "inconsistent format";
        case WaveParseError::NoData:
            return "no data chunk";
        case WaveParseError::TooManyChunks:
            return "too many chunks";
        case WaveParseError::ReadFailed:
            return "read failed";
    }
    return "unknown";
}

}  // namespace tarnel::media
