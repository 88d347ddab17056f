#include "tests/filters/mp3enc/Mp3EncTestUtil.h"

#include "tests/filters/mp3enc/Mpg123Reference.h"

namespace tarnel::test {

Mp3EncSettings DefaultMp3Settings() {
    Mp3EncSettings s;
    s[kMp3OutputSampleRate] = 44100;
    s[kMp3Bitrate] = 128;
    s[kMp3VbrMode] = 0;
    s[kMp3VbrMinBitrate] = 80;
    s[kMp3VbrMaxBitrate] = 160;
    s[kMp3EncodingQuality] = 5;
    s[kMp3VbrQuality] = 4;
    return s;
}

WAVEFORMATEX PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

std::vector<uint8_t> EncodeWhole(CMP3Encoder& encoder, const PcmAudio& pcm, size_t blockFrames) {
    return EncodeBytes(encoder, Int16Bytes(pcm), blockFrames * pcm.channels * 2);
}

std::vector<uint8_t> EncodeBytes(CMP3Encoder& encoder, std::span<const uint8_t> bytes,
                                 size_t blockBytes) {
    std::vector<uint8_t> mp3;
    std::vector<uint8_t> out(kMp3OutputBufferBytes);
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = std::min(blockBytes, bytes.size() - at);
        std::span<const uint8_t> rest(bytes.data() + at, n);
        while (!rest.empty()) {
            size_t consumed = 0, produced = 0;
            if (FAILED(encoder.Encode(rest, out, &consumed, &produced))) return {};
            if (consumed == 0) return {};
            mp3.insert(mp3.end(), out.begin(), out.begin() + static_cast<long>(produced));
            rest = rest.subspan(consumed);
        }
        at += n;
    }
    size_t produced = 0;
    if (FAILED(encoder.Flush(out, &produced))) return {};
    mp3.insert(mp3.end(), out.begin(), out.begin() + static_cast<long>(produced));
    return mp3;
}

}  // namespace tarnel::test
