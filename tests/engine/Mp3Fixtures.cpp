#include "tests/engine/Mp3Fixtures.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace tarnel::test {
namespace {

int BitrateKbps(const MpegFrameSpec& s) {
    static const int v1[3][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    };
    static const int v2[3][16] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    };
    return s.versionId == 3 ? v1[s.layerId - 1][s.bitrateIndex] : v2[s.layerId - 1][s.bitrateIndex];
}

// Exact frame size in bytes without padding, as a fraction num/den.
void FrameSize(const MpegFrameSpec& s, int64_t& num, int64_t& den, int& slot) {
    const int64_t bits = BitrateKbps(s) * 1000;
    const int rate = SpecSampleRate(s);
    if (s.layerId == 3) {
        num = 12 * bits * 4;
        den = rate;
        slot = 4;
    } else {
        num = int64_t{SpecSamplesPerFrame(s)} / 8 * bits;
        den = rate;
        slot = 1;
    }
}

}  // namespace

int SpecSampleRate(const MpegFrameSpec& s) {
    static const int rates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    return rates[s.versionId][s.sampleRateIndex];
}

int SpecSamplesPerFrame(const MpegFrameSpec& s) {
    if (s.layerId == 3) return 384;
    if (s.layerId == 2) return 1152;
    return s.versionId == 3 ? 1152 : 576;
}

uint32_t MpegHeaderWord(const MpegFrameSpec& s, bool padding) {
    return 0xFFE00000u | uint32_t(s.versionId) << 19 | uint32_t(s.layerId) << 17 |
           1u << 16 /* no CRC */ | uint32_t(s.bitrateIndex) << 12 |
           uint32_t(s.sampleRateIndex) << 10 | uint32_t(padding) << 9 |
           uint32_t(s.channelMode) << 6 | 1u << 2 /* original */;
}

void AppendMpegFrames(std::vector<uint8_t>& out, const MpegFrameSpec& s, int count) {
    int64_t num = 0, den = 1;
    int slot = 1;
    FrameSize(s, num, den, slot);
    if (s.layerId == 3) {
        // Layer I sizes are counted in slots of four bytes.
        num /= 4;
    }
    int64_t remainder = 0;
    for (int i = 0; i < count; ++i) {
        int64_t whole = num / den;
        remainder += num % den;
        bool pad = false;
        if (remainder >= den) {
            remainder -= den;
            pad = true;
        }
        const int64_t length = (whole + (pad ? 1 : 0)) * slot;
        const uint32_t word = MpegHeaderWord(s, pad);
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(length), 0);
        out[at] = uint8_t(word >> 24);
        out[at + 1] = uint8_t(word >> 16);
        out[at + 2] = uint8_t(word >> 8);
        out[at + 3] = uint8_t(word);
    }
}

std::vector<uint8_t> MakeMpegFrames(const MpegFrameSpec& spec, int count) {
    std::vector<uint8_t> out;
    AppendMpegFrames(out, spec, count);
    return out;
}

std::vector<uint8_t> MakeId3v2Tag(uint32_t bodySize, bool footer) {
    if (bodySize >= (1u << 28)) throw std::invalid_argument("ID3v2 body too large");
    std::vector<uint8_t> tag = {'I',
                                'D',
                                '3',
                                4,
                                0,
                                uint8_t(footer ? 0x10 : 0),
                                uint8_t((bodySize >> 21) & 0x7F),
                                uint8_t((bodySize >> 14) & 0x7F),
                                uint8_t((bodySize >> 7) & 0x7F),
                                uint8_t(bodySize & 0x7F)};
    // Header-like runs spaced like real frames of another bitrate, so a walk that enters the
    // tag counts them as audio.
    MpegFrameSpec fake;
    fake.bitrateIndex = 5;  // 64 kbit/s: 208-byte frames
    std::vector<uint8_t> body;
    while (body.size() < bodySize) AppendMpegFrames(body, fake, 1);
    body.resize(bodySize);
    tag.insert(tag.end(), body.begin(), body.end());
    if (footer) {
        const std::vector<uint8_t> size(tag.begin() + 6, tag.begin() + 10);
        tag.insert(tag.end(), {'3', 'D', 'I', 4, 0, 0x10});
        tag.insert(tag.end(), size.begin(), size.end());
    }
    return tag;
}

void WriteLameMp3(const std::filesystem::path& path, const PcmAudio& audio, int kbps) {
    struct Closer {
        void operator()(lame_global_flags* g) const { lame_close(g); }
    };
    std::unique_ptr<lame_global_flags, Closer> lame(lame_init());
    if (!lame) throw std::runtime_error("lame_init failed");
    lame_set_num_channels(lame.get(), audio.channels);
    lame_set_in_samplerate(lame.get(), audio.sampleRate);
    lame_set_out_samplerate(lame.get(), audio.sampleRate);
    lame_set_brate(lame.get(), kbps);
    lame_set_mode(lame.get(), audio.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) throw std::runtime_error("lame_init_params failed");
    const int frames = static_cast<int>(audio.frames());
    std::vector<short> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        auto sample = [&](int c) {
            const double v = audio.samples[size_t(i) * audio.channels + c];
            return static_cast<short>(std::lround(std::clamp(v, -1.0, 0.99997) * 32768));
        };
        left[i] = sample(0);
        right[i] = sample(audio.channels > 1 ? 1 : 0);
    }
    std::vector<unsigned char> mp3(size_t(1.25 * frames) + 7200);
    int size = lame_encode_buffer(lame.get(), left.data(), right.data(), frames, mp3.data(),
                                  static_cast<int>(mp3.size()));
    if (size < 0) throw std::runtime_error("lame_encode_buffer failed");
    const int tail =
        lame_encode_flush(lame.get(), mp3.data() + size, static_cast<int>(mp3.size()) - size);
    if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
    mp3.resize(size_t(size + tail));
    WriteFileBytes(path, std::vector<uint8_t>(mp3.begin(), mp3.end()));
}

}  // namespace tarnel::test
