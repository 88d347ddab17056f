#include "tests/platform/mpeg/MpegTestStreams.h"

#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>

#include "tests/filters/mp3enc/Mpg123Reference.h"

namespace tarnel::test {

LameStream EncodeWithLame(const PcmAudio& pcm, const LameOptions& options) {
    lame_t l = lame_init();
    if (!l) throw std::runtime_error("lame_init");
    lame_set_num_channels(l, pcm.channels);
    lame_set_in_samplerate(l, pcm.sampleRate);
    lame_set_out_samplerate(l, pcm.sampleRate);
    lame_set_mode(l, pcm.channels == 1 ? MONO : JOINT_STEREO);
    if (options.vbr) {
        lame_set_VBR(l, vbr_default);
        lame_set_VBR_max_bitrate_kbps(l, options.bitrate);
    } else {
        lame_set_brate(l, options.bitrate);
    }
    lame_set_bWriteVbrTag(l, options.infoTag ? 1 : 0);
    lame_set_quality(l, 5);
    if (lame_init_params(l) < 0) {
        lame_close(l);
        throw std::runtime_error("lame_init_params");
    }
    std::vector<int16_t> samples(pcm.samples.size());
    const auto bytes = Int16Bytes(pcm);
    std::memcpy(samples.data(), bytes.data(), bytes.size());
    const int frames = int(pcm.frames());
    std::vector<uint8_t> out(size_t(frames) * 5 / 4 + 7200 + 8192);
    int n =
        pcm.channels == 2
            ? lame_encode_buffer_interleaved(l, samples.data(), frames, out.data(), int(out.size()))
            : lame_encode_buffer(l, samples.data(), nullptr, frames, out.data(), int(out.size()));
    if (n < 0) throw std::runtime_error("lame_encode_buffer");
    int m = lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    if (m < 0) throw std::runtime_error("lame_encode_flush");
    out.resize(size_t(n + m));
    LameStream s;
    s.encoderDelay = lame_get_encoder_delay(l);
    s.encoderPadding = lame_get_encoder_padding(l);
    s.frames = lame_get_frameNum(l);
    if (options.infoTag) {
        // LAME left room for the info frame at the start; fill it in now.
        std::vector<uint8_t> tag(4096);
        const size_t size = lame_get_lametag_frame(l, tag.data(), tag.size());
        if (size == 0 || size > out.size()) throw std::runtime_error("lame_get_lametag_frame");
        std::memcpy(out.data(), tag.data(), size);
    }
    lame_close(l);
    s.bytes = std::move(out);
    return s;
}

int HeaderOnlyFrameBytes(int versionId, int layerId, int bitrateIndex, int rateIndex,
                         bool padding) {
    static const int kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    static const int kV1[3][15] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}};  // I
    static const int kV2[3][15] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}};
    const int rate = kRates[versionId][rateIndex];
    const int kbps = (versionId == 3 ? kV1 : kV2)[layerId - 1][bitrateIndex];
    if (layerId == 3) return (12 * kbps * 1000 / rate + (padding ? 1 : 0)) * 4;
    const int coefficient = (layerId == 1 && versionId != 3) ? 72 : 144;
    return coefficient * kbps * 1000 / rate + (padding ? 1 : 0);
}

std::vector<uint8_t> MakeHeaderOnlyFrames(int versionId, int layerId, int bitrateIndex,
                                          int rateIndex, int count, bool mono) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        const int size = HeaderOnlyFrameBytes(versionId, layerId, bitrateIndex, rateIndex, false);
        const size_t at = out.size();
        out.resize(at + size_t(size), 0);
        out[at] = 0xFF;
        out[at + 1] = uint8_t(0xE0 | (versionId << 3) | (layerId << 1) | 1);  // no CRC
        out[at + 2] = uint8_t((bitrateIndex << 4) | (rateIndex << 2));
        out[at + 3] = uint8_t(mono ? 0xC0 : 0x00);
    }
    return out;
}

std::vector<uint8_t> MakeId3v2(uint32_t bodySize) {
    std::vector<uint8_t> t = {'I',
                              'D',
                              '3',
                              3,
                              0,
                              0,
                              uint8_t((bodySize >> 21) & 0x7F),
                              uint8_t((bodySize >> 14) & 0x7F),
                              uint8_t((bodySize >> 7) & 0x7F),
                              uint8_t(bodySize & 0x7F)};
    // MPEG-1 Layer III 128 kbit/s headers all through the body, as pictures often have.
    for (uint32_t i = 0; i < bodySize; ++i) {
        static const uint8_t pattern[] = {0xFF, 0xFB, 0x90, 0x64, 0x00, 0x11};
        t.push_back(pattern[i % sizeof pattern]);
    }
    return t;
}

std::vector<uint8_t> MakeId3v2Header(uint32_t claimedSize) {
    return {'I',
            'D',
            '3',
            4,
            0,
            0,
            uint8_t((claimedSize >> 21) & 0x7F),
            uint8_t((claimedSize >> 14) & 0x7F),
            uint8_t((claimedSize >> 7) & 0x7F),
            uint8_t(claimedSize & 0x7F)};
}

std::vector<uint8_t> MakeId3v1() {
    std::vector<uint8_t> t(128, 0);
    std::memcpy(t.data(), "TAG", 3);
    std::memcpy(t.data() + 3, "A title", 7);
    return t;
}

namespace {
void PutLe32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
std::vector<uint8_t> ApeHeaderOrFooter(uint32_t items, bool header) {
    std::vector<uint8_t> h = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'};
    PutLe32(h, 2000);
    PutLe32(h, items + 32);  // items and footer
    PutLe32(h, 1);           // one item
    PutLe32(h, 0x80000000u | (header ? 0x20000000u : 0));
    h.resize(32, 0);
    return h;
}
}  // namespace

std::vector<uint8_t> MakeApeTag(uint32_t items) {
    std::vector<uint8_t> t = ApeHeaderOrFooter(items, true);
    for (uint32_t i = 0; i < items; ++i) t.push_back(i % 2 ? 0xFF : 0xFB);
    auto footer = ApeHeaderOrFooter(items, false);
    t.insert(t.end(), footer.begin(), footer.end());
    return t;
}

std::vector<uint8_t> MakeLyrics3v2(uint32_t body) {
    std::vector<uint8_t> t = {'L', 'Y', 'R', 'I', 'C', 'S', 'B', 'E', 'G', 'I', 'N'};
    while (t.size() < body) t.push_back(0xFF);
    char size[7];
    std::snprintf(size, sizeof size, "%06u", unsigned(t.size()));
    t.insert(t.end(), size, size + 6);
    const char* end = "LYRICS200";
    t.insert(t.end(), end, end + 9);
    return t;
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(count);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

}  // namespace tarnel::test
