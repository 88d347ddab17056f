#pragma once
// Walks the chunks of a RIFF WAVE file and finds its format block and audio data. Every read is
// bounded by the real size of the source, never by a size the file claims, and the walk visits
// a bounded number of chunks, so a hostile file costs little memory and time.
//
// Tolerated, as real files need: any "fmt " size (16-byte PCMWAVEFORMAT gets a zero cbSize, a
// cbSize larger than the chunk is cut to what is there, bytes beyond cbSize are ignored), unknown
// chunks before, between and after (odd sizes padded to even), "data" before "fmt ", a RIFF size
// that disagrees with the file, and a "data" chunk longer than the file (only what is there is
// played, cut to whole blocks).
#include <cstdint>
#include <vector>

#include "framework/ByteSource.h"

namespace tarnel::media {

enum class WaveParseError {
    None,
    NotWave,        // no RIFF/WAVE header
    NoFormat,       // no usable "fmt " chunk
    BadFormat,      // format block inconsistent (no channels, no block align, no rate ...)
    NoData,         // no "data" chunk
    TooManyChunks,  // more chunks than any real file has before its data
    ReadFailed,     // the source failed a read inside its own size
};

struct RiffWaveLayout {
    std::vector<uint8_t> formatBlock;  // WAVEFORMATEX plus exactly cbSize extra bytes
    uint64_t dataOffset = 0;           // file offset of the first audio byte
    uint64_t dataSize = 0;             // playable bytes: whole blocks that the file holds
    uint32_t declaredDataSize = 0;     // as stored in the "data" chunk header
};

struct RiffWaveParse {
    WaveParseError error = WaveParseError::None;
    RiffWaveLayout layout;
    bool ok() const { return error == WaveParseError::None; }
};

// The largest format block accepted: a WAVEFORMATEX with the largest cbSize.
inline constexpr size_t kMaxFormatBlock = 18 + 0xFFFF;
// Chunks visited before giving up.
inline constexpr int kMaxChunks = 4096;

RiffWaveParse ParseRiffWave(ByteSource& source);

const char* WaveParseErrorText(WaveParseError error);

}  // namespace tarnel::media
