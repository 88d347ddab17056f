#include "platform/media/pcm/PcmResampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::media {
namespace {

PcmFormat Format(uint32_t rate, uint16_t channels, uint16_t bits, bool isFloat = false) {
    PcmFormat f;
    f.sampleRate = rate;
    f.channels = channels;
    f.bits = bits;
    f.isFloat = isFloat;
    return f;
}

// The raw sample bytes of a test signal (the data chunk of its WAV encoding).
std::vector<uint8_t> RawSamples(const test::PcmAudio& audio) {
    auto wav = test::EncodeWav(audio);
    const size_t dataBytes = audio.samples.size() * (audio.bitsPerSample / 8);
    return std::vector<uint8_t>(wav.end() - dataBytes, wav.end());
}

// Decodes raw samples through the independent WAV reader.
test::PcmAudio Decode(const std::vector<uint8_t>& raw, const PcmFormat& f) {
    test::PcmAudio shell;
    shell.sampleRate = int(f.sampleRate);
    shell.channels = f.channels;
    shell.bitsPerSample = f.bits;
    shell.isFloat = f.isFloat;
    auto wav = test::EncodeWav(shell);
    wav.insert(wav.end(), raw.begin(), raw.end());
    const uint32_t data = uint32_t(raw.size());
    std::memcpy(&wav[wav.size() - raw.size() - 4], &data, 4);
    test::TempDir dir;
    test::WriteFileBytes(dir.path() / "x.wav", wav);
    return test::ReadWav(dir.path() / "x.wav").audio;
}

// Runs the whole input through in pieces of `chunkFrames`, then drains.
std::vector<uint8_t> ConvertAll(PcmResampler& r, const std::vector<uint8_t>& in,
                                size_t chunkFrames) {
    std::vector<uint8_t> out;
    const size_t inBlock = r.input().BlockAlign();
    const size_t outBlock = r.output().BlockAlign();
    std::vector<uint8_t> buffer;
    for (size_t pos = 0; pos < in.size(); pos += chunkFrames * inBlock) {
        const size_t n = std::min(chunkFrames * inBlock, in.size() - pos);
        buffer.resize(r.MaxOutputFrames(n / inBlock) * outBlock);
        int frames = r.Convert(std::span(in).subspan(pos, n), buffer);
        EXPECT_GE(frames, 0);
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::max(frames, 0) * outBlock);
    }
    buffer.resize(4096 * outBlock);
    for (int frames; (frames = r.Drain(buffer)) > 0;) {
        out.insert(out.end(), buffer.begin(), buffer.begin() + frames * outBlock);
    }
    return out;
}

struct Conversion {
    PcmFormat in;
    PcmFormat out;
};

class PcmResamplerSignal : public ::testing::TestWithParam<Conversion> {};

// A 1 kHz sine at half scale must come out at the same frequency and level, with the duration
// scaled by the rate change.
TEST_P(PcmResamplerSignal, KeepsFrequencyLevelAndDuration) {
    const auto [in, out] = GetParam();
    auto sine = test::MakeSine(int(in.sampleRate), in.channels, 1.0, 1000.0, 0.5, in.bits);
    sine.isFloat = in.isFloat;
    auto raw = RawSamples(sine);
    std::string why;
    auto r = PcmResampler::Create(in, out, &why);
    ASSERT_TRUE(r) << why;
    auto converted = ConvertAll(*r, raw, 1000);
    ASSERT_EQ(converted.size() % out.BlockAlign(), 0u);
    auto result = Decode(converted, out);
    EXPECT_NEAR(double(result.frames()), double(out.sampleRate), out.sampleRate * 0.002);
    const size_t skip = out.sampleRate / 20;
    for (int c = 0; c < out.channels; ++c) {
        EXPECT_NEAR(test::EstimateFrequency(result, c, skip), 1000.0, 1.0) << "channel " << c;
        EXPECT_NEAR(test::RmsDb(result, c, skip), -9.03, 0.1) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, PcmResamplerSignal,
    ::testing::Values(Conversion{Format(48000, 2, 16), Format(44100, 2, 16)},
                      Conversion{Format(44100, 1, 8), Format(44100, 1, 16)},
                      Conversion{Format(44100, 1, 16), Format(44100, 2, 16)},
                      Conversion{Format(44100, 2, 16), Format(44100, 1, 16)},
                      Conversion{Format(22050, 2, 24), Format(44100, 2, 16)},
                      Conversion{Format(44100, 2, 32), Format(48000, 1, 24)},
                      Conversion{Format(48000, 2, 32, true), Format(32000, 2, 16)},
                      Conversion{Format(44100, 2, 16), Format(44100, 2, 32, true)},
                      Conversion{Format(8000, 1, 16), Format(44100, 2, 8)}));

TEST(PcmResampler, SampleSizeChangesAreExact) {
    // 8-bit 0, 128, 255 widen to -32768, 0, 32512 (a shift, no scaling surprises).
    auto r = PcmResampler::Create(Format(8000, 1, 8), Format(8000, 1, 16));
    ASSERT_TRUE(r);
    const std::vector<uint8_t> in = {0, 128, 255};
    std::vector<uint8_t> out(6);
    ASSERT_EQ(r->Convert(in, out), 3);
    int16_t v[3];
    std::memcpy(v, out.data(), 6);
    EXPECT_EQ(v[0], -32768);
    EXPECT_EQ(v[1], 0);
    EXPECT_EQ(v[2], 32512);

    // 24-bit round trip through 32 bits is lossless.
    auto to32 = PcmResampler::Create(Format(8000, 1, 24), Format(8000, 1, 32));
    auto to24 = PcmResampler::Create(Format(8000, 1, 32), Format(8000, 1, 24));
    ASSERT_TRUE(to32 && to24);
    const std::vector<uint8_t> s24 = {0x01, 0x02, 0x83, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
    std::vector<uint8_t> s32(12), back(9);
    ASSERT_EQ(to32->Convert(s24, s32), 3);
    EXPECT_EQ(s32[1], 0x01);
    EXPECT_EQ(s32[3], 0x83);
    ASSERT_EQ(to24->Convert(s32, back), 3);
    EXPECT_EQ(back, s24);
}

TEST(PcmResampler, SmallOutputBuffersLoseNothing) {
    auto r = PcmResampler::Create(Format(48000, 2, 16), Format(44100, 2, 16));
    ASSERT_TRUE(r);
    auto raw = RawSamples(test::MakeSine(48000, 2, 0.5, 440, 0.5));
    // Feed everything with room for only 100 frames per call, then collect the rest.
    std::vector<uint8_t> out, buffer(100 * 4);
    for (size_t pos = 0; pos < raw.size(); pos += 4800 * 4) {
        const size_t n = std::min<size_t>(4800 * 4, raw.size() - pos);
        int frames = r->Convert(std::span(raw).subspan(pos, n), buffer);
        ASSERT_GE(frames, 0);
        out.insert(out.end(), buffer.begin(), buffer.begin() + frames * 4);
        while ((frames = r->Convert({}, buffer)) > 0) {
            out.insert(out.end(), buffer.begin(), buffer.begin() + frames * 4);
        }
    }
    for (int frames; (frames = r->Drain(buffer)) > 0;) {
        out.insert(out.end(), buffer.begin(), buffer.begin() + frames * 4);
    }
    EXPECT_NEAR(double(out.size() / 4), 22050.0, 30.0);
}

TEST(PcmResampler, ResetStartsAfresh) {
    auto r = PcmResampler::Create(Format(48000, 1, 16), Format(44100, 1, 16));
    ASSERT_TRUE(r);
    auto raw = RawSamples(test::MakeSine(48000, 1, 0.1, 440, 0.5));
    auto first = ConvertAll(*r, raw, 512);
    ASSERT_EQ(r->Reset(), 0);
    auto second = ConvertAll(*r, raw, 512);
    EXPECT_EQ(first, second);
}

TEST(PcmResampler, RefusesImpossibleFormats) {
    EXPECT_FALSE(PcmResampler::Create(Format(0, 2, 16), Format(44100, 2, 16)));
    EXPECT_FALSE(PcmResampler::Create(Format(44100, 0, 16), Format(44100, 2, 16)));
    EXPECT_FALSE(PcmResampler::Create(Format(44100, 2, 12), Format(44100, 2, 16)));
    EXPECT_FALSE(PcmResampler::Create(Format(44100, 2, 16), Format(44100, 2, 16, true)));
    EXPECT_FALSE(PcmResampler::Create(Format(44100, 65, 16), Format(44100, 2, 16)));
}

}  // namespace
}  // namespace tarnel::media
