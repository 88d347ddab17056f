// MpegDecoderCore: libmpg123 in feed mode with a fixed output format, against libmpg123's own
// decode of the same bytes.
#include "platform/media/mpeg/MpegDecoderCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/filters/mp3enc/Mpg123Reference.h"
#include "tests/filters/mp3enc/TestSignals.h"
#include "tests/platform/mpeg/MpegTestStreams.h"

namespace tarnel::media {
namespace {

// Feeds in chunks of `chunk` bytes and collects every output sample.
std::vector<int16_t> DecodeAll(MpegDecoderCore& core, const std::vector<uint8_t>& bytes,
                               size_t chunk, size_t outBytes = 8192) {
    std::vector<int16_t> pcm;
    std::vector<uint8_t> out(outBytes);
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        const size_t n = std::min(chunk, bytes.size() - at);
        EXPECT_TRUE(core.Feed(std::span(bytes.data() + at, n)));
        for (int guard = 0; guard < 100000; ++guard) {
            size_t produced = 0;
            auto status = core.Read(out, &produced);
            const auto* s = reinterpret_cast<const int16_t*>(out.data());
            pcm.insert(pcm.end(), s, s + produced / 2);
            if (status != MpegDecoderCore::Status::Output) break;
        }
    }
    return pcm;
}

std::vector<int16_t> AsInt16(const test::PcmAudio& audio) {
    std::vector<int16_t> v;
    for (double d : audio.samples) v.push_back(int16_t(std::lround(d * 32768.0)));
    return v;
}

TEST(MpegDecoderCore, RefusesFormatsItCannotProduce) {
    MpegDecoderCore core;
    EXPECT_FALSE(core.Open(44100, 3));
    EXPECT_FALSE(core.Open(44100, 0));
    EXPECT_FALSE(core.Open(12345, 2));
    EXPECT_FALSE(core.IsOpen());
    EXPECT_TRUE(core.Open(22050, 1));
    EXPECT_TRUE(core.IsOpen());
    EXPECT_TRUE(MpegDecoderCore::IsSupportedRate(8000));
    EXPECT_FALSE(MpegDecoderCore::IsSupportedRate(96000));
}

TEST(MpegDecoderCore, AnyChunkingGivesLibmpg123sOwnSamples) {
    const auto s = test::EncodeWithLame(test::MakeTwoToneStereo(44100, 1.5, 300, 2000, 0.5));
    auto reference = test::DecodeMp3Bytes(s.bytes);
    ASSERT_TRUE(reference);
    const auto expected = AsInt16(reference->audio);
    for (size_t chunk : std::vector<size_t>{1, 7, 333, 4096, s.bytes.size()}) {
        MpegDecoderCore core;
        ASSERT_TRUE(core.Open(44100, 2));
        const auto got = DecodeAll(core, s.bytes, chunk, chunk == 7 ? 4 : 8192);
        EXPECT_EQ(got, expected) << "chunk " << chunk;
        EXPECT_EQ(core.Errors(), 0u);
    }
}

TEST(MpegDecoderCore, InfoFrameTrimsDelayAndPadding) {
    const auto pcm = test::MakeSine(44100, 2, 1.0, 440, 0.5);
    for (bool vbr : {false, true}) {
        const auto s = test::EncodeWithLame(pcm, {.bitrate = 160, .vbr = vbr, .infoTag = true});
        MpegDecoderCore core;
        ASSERT_TRUE(core.Open(44100, 2));
        const auto got = DecodeAll(core, s.bytes, 1000);
        EXPECT_EQ(got.size(), pcm.samples.size()) << "exactly the encoded samples, vbr " << vbr;
        // The first samples of a sine starting at 0 are near 0 once the delay is gone.
        ASSERT_GT(got.size(), 200u);
        EXPECT_LT(std::abs(got[0]), 2000);
    }
}

TEST(MpegDecoderCore, ChannelChangeMidStreamIsMixedToTheOutputFormat) {
    const auto a = test::EncodeWithLame(test::MakeSine(44100, 2, 1.0, 440, 0.5));
    const auto b = test::EncodeWithLame(test::MakeSine(44100, 1, 1.0, 440, 0.5));
    std::vector<uint8_t> both = a.bytes;
    both.insert(both.end(), b.bytes.begin(), b.bytes.end());
    MpegDecoderCore core;
    ASSERT_TRUE(core.Open(44100, 2));
    const auto got = DecodeAll(core, both, 2048);
    const double seconds = double(got.size()) / 2 / 44100;
    EXPECT_GT(seconds, 1.95);
    EXPECT_LT(seconds, 2.1);
    // The mono second half comes out on both channels alike.
    const size_t frames = got.size() / 2;
    for (size_t i = frames * 6 / 10; i < frames * 9 / 10; ++i) {
        ASSERT_EQ(got[2 * i], got[2 * i + 1]) << i;
    }
}

TEST(MpegDecoderCore, RateChangeMidStreamIsSkippedNotResampled) {
    const auto a = test::EncodeWithLame(test::MakeSine(44100, 2, 1.0, 440, 0.5));
    const auto b = test::EncodeWithLame(test::MakeSine(22050, 1, 1.0, 440, 0.5));
    std::vector<uint8_t> all = a.bytes;
    all.insert(all.end(), b.bytes.begin(), b.bytes.end());
    all.insert(all.end(), a.bytes.begin(), a.bytes.end());
    MpegDecoderCore core;
    ASSERT_TRUE(core.Open(44100, 2));
    const auto got = DecodeAll(core, all, 2048);
    // The 44100 Hz parts, not the 22050 Hz one; decoding resumes after it.
    const double seconds = double(got.size()) / 2 / 44100;
    EXPECT_GT(seconds, 1.9);
    EXPECT_LT(seconds, 2.2);
    EXPECT_GT(core.Errors(), 0u);
}

TEST(MpegDecoderCore, ForgedInfoFrameCountDoesNotStall) {
    // An info frame claiming four billion frames, in front of a stream at another rate than
    // the output: neither may make the decoder work through the claimed length.
    auto s = test::EncodeWithLame(test::MakeSine(44100, 2, 0.5, 440, 0.5), {.infoTag = true});
    const std::string text(s.bytes.begin(), s.bytes.begin() + 64);
    const size_t info = text.find("Info");
    ASSERT_NE(info, std::string::npos);
    for (size_t i = 0; i < 4; ++i) s.bytes[info + 8 + i] = 0xFF;
    for (long rate : {44100L, 8000L}) {
        MpegDecoderCore core;
        ASSERT_TRUE(core.Open(rate, 2));
        (void)DecodeAll(core, s.bytes, 281);
    }
}

TEST(MpegDecoderCore, CorruptFramesCostAudioNotTheStream) {
    auto s = test::EncodeWithLame(test::MakeSine(44100, 2, 2.0, 440, 0.5));
    std::mt19937 rng(5);
    // Scribble over bytes in the middle third, headers included.
    for (size_t i = s.bytes.size() / 3; i < s.bytes.size() * 2 / 3; i += 97) {
        s.bytes[i] = uint8_t(rng());
    }
    MpegDecoderCore core;
    ASSERT_TRUE(core.Open(44100, 2));
    const auto got = DecodeAll(core, s.bytes, 4096);
    const double seconds = double(got.size()) / 2 / 44100;
    EXPECT_GT(seconds, 1.0) << "audio after the damage still comes out";
    EXPECT_LT(seconds, 2.2);
}

TEST(MpegDecoderCore, NoiseNeverGrowsWithoutBound) {
    MpegDecoderCore core;
    ASSERT_TRUE(core.Open(44100, 2));
    const auto noise = test::RandomBytes(6 * 1024 * 1024, 9);
    const auto got = DecodeAll(core, noise, 64 * 1024);
    EXPECT_LT(got.size(), 44100u * 2 * 10) << "noise is not ten seconds of audio";
}

TEST(MpegDecoderCore, OnlyFramesItDecodesComeOut) {
    // Silent Layer I frames decode to exactly their 384 samples each, behind an ID3v2 tag full
    // of header-like bytes that must not be taken for audio.
    const auto good = test::MakeHeaderOnlyFrames(3, 3, 4, 0, 20);
    std::vector<uint8_t> tagged = test::MakeId3v2(300);
    tagged.insert(tagged.end(), good.begin(), good.end());
    MpegDecoderCore core;
    ASSERT_TRUE(core.Open(44100, 2));
    EXPECT_EQ(DecodeAll(core, tagged, 50).size(), 20u * 384 * 2);

    // Frames libmpg123 cannot decode would come out as silence: a forbidden allocation, an
    // allocation needing more bits than the frame holds, and free-format frames 6 and 7 bytes
    // apart (65 bytes of them once gave 24576 bytes of output).
    const size_t frameBytes = good.size() / 20;
    std::vector<uint8_t> forbidden = good, oversized = good;
    for (size_t at = 0; at < good.size(); at += frameBytes) {
        forbidden[at + 4] = 0xF0;
        std::fill(oversized.begin() + long(at) + 4, oversized.begin() + long(at) + 36, 0xEE);
    }
    std::vector<uint8_t> freeFormat;
    for (int i = 0; freeFormat.size() < 65; ++i) {
        const std::vector<uint8_t> header = {0xFF, uint8_t(i % 2 ? 0xFD : 0xFF), 0x00, 0x00};
        freeFormat.insert(freeFormat.end(), header.begin(), header.end());
        freeFormat.insert(freeFormat.end(), size_t(2 + i % 2), 0x55);
    }
    for (const auto* bad : {&forbidden, &oversized, &freeFormat}) {
        MpegDecoderCore fresh;
        ASSERT_TRUE(fresh.Open(44100, 2));
        for (size_t chunk : {size_t(7), bad->size()}) {
            ASSERT_TRUE(fresh.Restart());
            EXPECT_TRUE(DecodeAll(fresh, *bad, chunk).empty());
        }
        EXPECT_GT(fresh.Errors(), 0u);
    }
}

}  // namespace
}  // namespace tarnel::media
