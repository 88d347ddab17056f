// CMP3Encoder: the LAME wrapper on its own, checked by decoding its output with libmpg123.
#include "filters/mp3enc/CMP3Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "tests/filters/mp3enc/Mp3EncTestUtil.h"
#include "tests/filters/mp3enc/Mpg123Reference.h"

namespace tarnel {
namespace {

using test::DecodeMp3Bytes;
using test::DefaultMp3Settings;
using test::EncodeWhole;
using test::PcmFormat;

// Encoder delay plus decoder delay of LAME streams (576 + 529 samples), plus one frame.
constexpr size_t kDelayPlusFrame = 576 + 529 + 1152;

std::unique_ptr<CMP3Encoder> OpenEncoder(const WAVEFORMATEX& in, Mp3EncSettings s) {
    auto e = std::make_unique<CMP3Encoder>();
    EXPECT_EQ(e->SetInputFormat(in), S_OK);
    EXPECT_EQ(e->SetSettings(s), S_OK);
    EXPECT_EQ(e->Open(), S_OK);
    return e;
}

TEST(CMP3EncoderInput, TakesOnly16BitMonoOrStereoAtItsRates) {
    CMP3Encoder e;
    for (uint32_t rate : {8000u, 11025u, 22050u, 32000u, 44100u, 48000u, 96000u}) {
        for (uint16_t ch : {1, 2}) EXPECT_EQ(e.SetInputFormat(PcmFormat(ch, rate)), S_OK) << rate;
    }
    const WAVEFORMATEX refused[] = {
        PcmFormat(2, 16000), PcmFormat(2, 24000),     PcmFormat(2, 44100, 8),
        PcmFormat(3, 44100), PcmFormat(2, 44100, 24), PcmFormat(0, 44100),
    };
    for (const auto& f : refused) {
        ASSERT_EQ(e.SetInputFormat(PcmFormat(2, 44100)), S_OK);
        EXPECT_EQ(e.SetInputFormat(f), E_INVALIDARG) << f.nSamplesPerSec << " " << f.nChannels;
        EXPECT_FALSE(e.InputFormat().has_value()) << "a refused format forgets the old one";
    }
    WAVEFORMATEX floatFormat = PcmFormat(2, 44100, 16);
    floatFormat.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    EXPECT_EQ(e.SetInputFormat(floatFormat), E_INVALIDARG);
}

TEST(CMP3EncoderOpen, NeedsSettingsAndInputFormat) {
    CMP3Encoder e;
    EXPECT_EQ(e.Open(), E_UNEXPECTED);
    ASSERT_EQ(e.SetSettings(DefaultMp3Settings()), S_OK);
    EXPECT_EQ(e.Open(), E_UNEXPECTED);
    ASSERT_EQ(e.SetInputFormat(PcmFormat(2, 44100)), S_OK);
    EXPECT_EQ(e.Open(), S_OK);
    EXPECT_TRUE(e.IsOpen());
    EXPECT_EQ(e.Open(), S_OK) << "already open";
    EXPECT_EQ(e.Close(), S_OK);
    EXPECT_FALSE(e.IsOpen());
    EXPECT_EQ(e.Close(), S_OK);
}

TEST(CMP3EncoderEncode, ClosedEncoderTakesEverythingAndGivesNothing) {
    CMP3Encoder e;
    std::vector<uint8_t> pcm(4000, 1), out(kMp3OutputBufferBytes);
    size_t consumed = 1, produced = 1;
    EXPECT_EQ(e.Encode(pcm, out, &consumed, &produced), S_OK);
    EXPECT_EQ(consumed, pcm.size());
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(e.Flush(out, &produced), S_OK);
    EXPECT_EQ(produced, 0u);
}

TEST(CMP3EncoderEncode, WorstCaseBoundMatchesLamesRule) {
    EXPECT_EQ(CMP3Encoder::MaxFramesFor(kMp3OutputBufferBytes), 32640u);
    EXPECT_EQ(CMP3Encoder::MaxFramesFor(7200), 0u);
    EXPECT_EQ(CMP3Encoder::MaxFramesFor(0), 0u);
}

TEST(CMP3EncoderEncode, InputBeyondTheOutputBoundIsTakenInPiecesNeverPastTheBuffer) {
    auto e = OpenEncoder(PcmFormat(2, 44100), DefaultMp3Settings());
    const auto pcm = test::Int16Bytes(test::MakeSine(44100, 2, 100000.0 / 44100, 1000, 0.5));
    constexpr size_t kGuard = 4096;
    std::vector<uint8_t> out(kMp3OutputBufferBytes + kGuard, 0xA5);
    std::span<uint8_t> target(out.data(), kMp3OutputBufferBytes);

    size_t consumed = 0, produced = 0;
    ASSERT_EQ(e->Encode(pcm, target, &consumed, &produced), S_OK);
    EXPECT_EQ(consumed, 32640u * 4) << "only what is sure to fit";
    EXPECT_LE(produced, kMp3OutputBufferBytes);
    EXPECT_TRUE(std::all_of(out.end() - kGuard, out.end(), [](uint8_t b) { return b == 0xA5; }));

    std::span<const uint8_t> rest(pcm.data() + consumed, pcm.size() - consumed);
    while (!rest.empty()) {
        ASSERT_EQ(e->Encode(rest, target, &consumed, &produced), S_OK);
        ASSERT_GT(consumed, 0u);
        rest = rest.subspan(consumed);
    }
    EXPECT_TRUE(std::all_of(out.end() - kGuard, out.end(), [](uint8_t b) { return b == 0xA5; }));
}

TEST(CMP3EncoderEncode, InputAtAnOddAddressEncodesAsAlignedInput) {
    for (uint16_t channels : {1, 2}) {
        const std::vector<uint8_t> aligned =
            test::Int16Bytes(test::MakeSine(44100, channels, 0.3, 440, 0.5));
        std::vector<uint8_t> shifted(aligned.size() + 1);
        std::memcpy(shifted.data() + 1, aligned.data(), aligned.size());
        auto encode = [&](std::span<const uint8_t> pcm) {
            auto e = OpenEncoder(PcmFormat(channels, 44100), DefaultMp3Settings());
            return test::EncodeBytes(*e, pcm, 4000 * channels);
        };
        const auto expected = encode(aligned);
        EXPECT_GT(expected.size(), 1000u);
        EXPECT_EQ(encode(std::span(shifted).subspan(1)), expected) << channels;
    }
}

TEST(CMP3EncoderEncode, BufferBelowLamesSlackTakesNothing) {
    auto e = OpenEncoder(PcmFormat(2, 44100), DefaultMp3Settings());
    std::vector<uint8_t> pcm(4608, 0), out(7000);
    size_t consumed = 1, produced = 1;
    EXPECT_EQ(e->Encode(pcm, out, &consumed, &produced), S_OK);
    EXPECT_EQ(consumed, 0u);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(e->Flush(out, &produced), E_INVALIDARG);
}

TEST(CMP3EncoderEncode, TrailingPartialFrameIsDropped) {
    auto e = OpenEncoder(PcmFormat(2, 44100), DefaultMp3Settings());
    std::vector<uint8_t> pcm(4 * 1000 + 3, 0), out(kMp3OutputBufferBytes);
    size_t consumed = 0, produced = 0;
    EXPECT_EQ(e->Encode(pcm, out, &consumed, &produced), S_OK);
    EXPECT_EQ(consumed, pcm.size());
    std::vector<uint8_t> tiny(3, 0);
    EXPECT_EQ(e->Encode(tiny, out, &consumed, &produced), S_OK);
    EXPECT_EQ(consumed, tiny.size());
    EXPECT_EQ(produced, 0u);
}

// Mono 22050 Hz input in stereo mode feeds the one channel to both sides; mono mode keeps one.
TEST(CMP3EncoderChannels, MonoInputFollowsTheChannelMode) {
    const auto sine = test::MakeSine(22050, 1, 1.0, 440, 0.5);
    for (int mode : {0, 3}) {
        Mp3EncSettings s = DefaultMp3Settings();
        s[kMp3OutputSampleRate] = 22050;
        s[kMp3ChannelMode] = mode;
        auto e = OpenEncoder(PcmFormat(1, 22050), s);
        auto decoded = DecodeMp3Bytes(EncodeWhole(*e, sine));
        ASSERT_TRUE(decoded) << mode;
        EXPECT_EQ(decoded->audio.sampleRate, 22050);
        if (mode == 0) {
            ASSERT_EQ(decoded->audio.channels, 2);
            const auto& v = decoded->audio.samples;
            for (size_t i = 0; i + 1 < v.size(); i += 2) ASSERT_EQ(v[i], v[i + 1]) << i;
            EXPECT_NEAR(test::RmsDb(decoded->audio, 1, 4096), test::RmsDb(sine, 0), 1.0);
        } else {
            EXPECT_EQ(decoded->audio.channels, 1);
        }
    }
}

TEST(CMP3EncoderChannels, StereoInputKeepsLeftAndRightApartInEveryStereoMode) {
    const auto tones = test::MakeTwoToneStereo(44100, 1.0, 440, 1000, 0.4);
    for (int mode : {0, 1, 2}) {
        Mp3EncSettings s = DefaultMp3Settings();
        s[kMp3ChannelMode] = mode;
        auto e = OpenEncoder(PcmFormat(2, 44100), s);
        auto decoded = DecodeMp3Bytes(EncodeWhole(*e, tones, 1000));
        ASSERT_TRUE(decoded) << mode;
        ASSERT_EQ(decoded->audio.channels, 2);
        // The middle of the signal, clear of the encoder's delay and the silent tail.
        const auto middle = test::SliceFrames(decoded->audio, 4096, tones.frames());
        EXPECT_NEAR(test::EstimateFrequency(middle, 0), 440, 2) << mode;
        EXPECT_NEAR(test::EstimateFrequency(middle, 1), 1000, 3) << mode;
    }
    Mp3EncSettings mono = DefaultMp3Settings();
    mono[kMp3ChannelMode] = 3;
    auto e = OpenEncoder(PcmFormat(2, 44100), mono);
    auto decoded = DecodeMp3Bytes(EncodeWhole(*e, tones));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.channels, 1);
}

// Bitrate index of each MPEG-1 Layer III frame, walking the stream from its first byte.
std::vector<int> FrameBitrateIndexes(const std::vector<uint8_t>& mp3) {
    static constexpr int kKbps[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
    std::vector<int> out;
    size_t p = 0;
    while (p + 4 <= mp3.size()) {
        if (mp3[p] != 0xFF || (mp3[p + 1] & 0xFE) != 0xFA) break;  // MPEG-1 Layer III
        const int index = mp3[p + 2] >> 4;
        if (index == 0 || index == 15) break;
        const int rate = (mp3[p + 2] >> 2 & 3) == 0 ? 44100 : 0;
        if (rate == 0) break;
        out.push_back(index);
        p += 144 * kKbps[index] * 1000 / rate + (mp3[p + 2] >> 1 & 1);
    }
    return out;
}

TEST(CMP3EncoderRoundTrip, ConstantBitrateStreamStartsWithSyncKeepsLengthAndLevel) {
    const auto sine = test::MakeSine(44100, 2, 2.0, 1000, 0.5);
    auto e = OpenEncoder(PcmFormat(2, 44100), DefaultMp3Settings());
    const auto mp3 = EncodeWhole(*e, sine);
    ASSERT_GE(mp3.size(), 4u);
    EXPECT_EQ(mp3[0], 0xFF);
    EXPECT_EQ(mp3[1] & 0xE0, 0xE0);
    const auto indexes = FrameBitrateIndexes(mp3);
    ASSERT_FALSE(indexes.empty());
    EXPECT_TRUE(std::all_of(indexes.begin(), indexes.end(), [](int i) { return i == 9; }))
        << "every frame at 128 kbit/s";

    auto decoded = DecodeMp3Bytes(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.channels, 2);
    EXPECT_EQ(decoded->audio.sampleRate, 44100);
    EXPECT_GE(decoded->audio.frames(), sine.frames());
    EXPECT_LE(decoded->audio.frames(), sine.frames() + kDelayPlusFrame);
    EXPECT_NEAR(test::RmsDb(decoded->audio, 0, 4096), test::RmsDb(sine, 0), 1.0);
}

TEST(CMP3EncoderRoundTrip, VariableBitrateVariesFrameSizesWithoutHeaderFrame) {
    // Silence, then a loud sine: a VBR encoder spends very different bitrates on them.
    auto signal = test::MakeSine(44100, 2, 2.0, 3000, 0.8);
    std::fill(signal.samples.begin(), signal.samples.begin() + signal.samples.size() / 2, 0.0);
    Mp3EncSettings s = DefaultMp3Settings();
    s[kMp3VbrMode] = 2;
    s[kMp3VbrMinBitrate] = 32;
    s[kMp3VbrMaxBitrate] = 320;
    auto e = OpenEncoder(PcmFormat(2, 44100), s);
    const auto mp3 = EncodeWhole(*e, signal);
    const auto indexes = FrameBitrateIndexes(mp3);
    ASSERT_GT(indexes.size(), 50u);
    EXPECT_GE(std::set<int>(indexes.begin(), indexes.end()).size(), 2u);
    const std::string head(mp3.begin(), mp3.begin() + std::min<size_t>(mp3.size(), 200));
    EXPECT_EQ(head.find("Xing"), std::string::npos);
    EXPECT_EQ(head.find("Info"), std::string::npos);
    auto decoded = DecodeMp3Bytes(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_GE(decoded->audio.frames(), signal.frames());
    EXPECT_LE(decoded->audio.frames(), signal.frames() + kDelayPlusFrame);
}

TEST(CMP3EncoderSettings, BlockIsTwentyLittleEndianWords) {
    Mp3EncSettings s;
    s[kMp3Bitrate] = 128;
    s[kMp3SpareSetting2] = -2;
    const auto bytes = s.ToBytes();
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(bytes[4], 0x80);
    EXPECT_EQ(bytes[5], 0x00);
    EXPECT_EQ(bytes[76], 0xFE);
    EXPECT_EQ(bytes[79], 0xFF);
    EXPECT_EQ(Mp3EncSettings::FromBytes(bytes), s);
}

}  // namespace
}  // namespace tarnel
