#include "platform/media/wave/RiffWaveLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/WaveFormat.h"
#include "tests/support/TestAudio.h"

namespace tarnel::media {
namespace {

// Builds RIFF files chunk by chunk, with sizes that may lie.
class RiffBuilder {
public:
    RiffBuilder() { bytes_ = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}; }
    RiffBuilder& Chunk(const std::string& id, const std::vector<uint8_t>& body,
                       std::optional<uint32_t> claimedSize = std::nullopt, bool pad = true) {
        bytes_.insert(bytes_.end(), id.begin(), id.end());
        uint8_t size[4];
        WriteLe32(size, claimedSize.value_or(uint32_t(body.size())));
        bytes_.insert(bytes_.end(), size, size + 4);
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        if (pad && (body.size() & 1)) bytes_.push_back(0);
        return *this;
    }
    std::vector<uint8_t> Build() {
        WriteLe32(&bytes_[4], uint32_t(bytes_.size() - 8));
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
};

RiffWaveParse Parse(const std::vector<uint8_t>& bytes) {
    SpanByteSource source(bytes);
    return ParseRiffWave(source);
}

std::vector<uint8_t> Pcm16Format() {
    return MakePcmWaveFormat(44100, 2, 16);
}

TEST(RiffWaveLayout, ReadsWhatTheIndependentWriterProduces) {
    for (bool extensible : {false, true}) {
        auto audio = test::MakeSine(8000, 2, 0.25, 440, 0.5, 24);
        auto bytes = test::EncodeWav(audio, extensible);
        auto r = Parse(bytes);
        ASSERT_TRUE(r.ok()) << WaveParseErrorText(r.error);
        auto info = DecodeWaveFormat(r.layout.formatBlock);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->EffectiveTag(), WAVE_FORMAT_PCM);
        EXPECT_EQ(info->bitsPerSample, 24);
        EXPECT_EQ(info->blockAlign, 6);
        EXPECT_EQ(r.layout.formatBlock.size(), extensible ? 40u : 18u);
        EXPECT_EQ(r.layout.dataSize, 2000u * 6);
        EXPECT_EQ(r.layout.dataOffset, bytes.size() - r.layout.dataSize);
    }
}

TEST(RiffWaveLayout, SixteenByteFormatGetsZeroExtraSize) {
    auto fmt = Pcm16Format();
    fmt.resize(16);
    auto r =
        Parse(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", std::vector<uint8_t>(400)).Build());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.layout.formatBlock.size(), 18u);
    EXPECT_EQ(ReadLe16(&r.layout.formatBlock[16]), 0);
}

TEST(RiffWaveLayout, ExtraBytesAreKeptAndOverlongExtraSizeIsCut) {
    // A compressed format with 2 extra bytes, stored in a chunk of 20 bytes.
    std::vector<uint8_t> fmt(20, 0);
    WriteLe16(&fmt[0], 0x0011);  // IMA ADPCM
    WriteLe16(&fmt[2], 1);
    WriteLe32(&fmt[4], 8000);
    WriteLe32(&fmt[8], 4055);
    WriteLe16(&fmt[12], 256);
    WriteLe16(&fmt[14], 4);
    WriteLe16(&fmt[16], 2);
    WriteLe16(&fmt[18], 505);
    auto r =
        Parse(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", std::vector<uint8_t>(512)).Build());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.layout.formatBlock.size(), 20u);
    EXPECT_EQ(ReadLe16(&r.layout.formatBlock[18]), 505);

    WriteLe16(&fmt[16], 300);  // claims more than the chunk holds
    r = Parse(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", std::vector<uint8_t>(512)).Build());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout.formatBlock.size(), 20u);
    EXPECT_EQ(ReadLe16(&r.layout.formatBlock[16]), 2);

    // Bytes beyond cbSize are dropped.
    WriteLe16(&fmt[16], 0);
    r = Parse(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", std::vector<uint8_t>(512)).Build());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout.formatBlock.size(), 18u);
}

TEST(RiffWaveLayout, SkipsUnknownChunksWithOddSizesAnywhere) {
    auto bytes = RiffBuilder()
                     .Chunk("JUNK", std::vector<uint8_t>(7, 0xAA))
                     .Chunk("fmt ", Pcm16Format())
                     .Chunk("LIST", std::vector<uint8_t>(33, 0x55))
                     .Chunk("data", std::vector<uint8_t>(4000, 1))
                     .Chunk("id3 ", std::vector<uint8_t>(3))
                     .Build();
    auto r = Parse(bytes);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout.dataOffset, 12u + 8 + 8 + 8 + 18 + 8 + 34 + 8);
    EXPECT_EQ(r.layout.dataSize, 4000u);
}

TEST(RiffWaveLayout, DataBeforeFormatIsFound) {
    auto r = Parse(
        RiffBuilder().Chunk("data", std::vector<uint8_t>(64)).Chunk("fmt ", Pcm16Format()).Build());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout.dataOffset, 20u);
    EXPECT_EQ(r.layout.dataSize, 64u);
}

TEST(RiffWaveLayout, OversizedDataPlaysWhatIsThereInWholeBlocks) {
    auto bytes = RiffBuilder()
                     .Chunk("fmt ", Pcm16Format())
                     .Chunk("data", std::vector<uint8_t>(1003), 0xFFFFFFF0u, false)
                     .Build();
    auto r = Parse(bytes);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.layout.declaredDataSize, 0xFFFFFFF0u);
    EXPECT_EQ(r.layout.dataSize, 1000u);  // 250 whole 4-byte frames
}

TEST(RiffWaveLayout, WrongAverageRateOfPcmIsRepaired) {
    auto fmt = Pcm16Format();
    WriteLe32(&fmt[8], 12345);
    auto r =
        Parse(RiffBuilder().Chunk("fmt ", fmt).Chunk("data", std::vector<uint8_t>(40)).Build());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(ReadLe32(&r.layout.formatBlock[8]), 176400u);
}

TEST(RiffWaveLayout, RefusesBrokenFiles) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        WaveParseError expected;
    };
    auto zeroChannels = Pcm16Format();
    WriteLe16(&zeroChannels[2], 0);
    auto badAlign = Pcm16Format();
    WriteLe16(&badAlign[12], 3);
    auto oddBits = Pcm16Format();
    WriteLe16(&oddBits[14], 12);
    auto zeroRate = Pcm16Format();
    WriteLe32(&zeroRate[4], 0);
    std::vector<uint8_t> compressedNoRate(18, 0);
    WriteLe16(&compressedNoRate[0], 0x0055);
    WriteLe16(&compressedNoRate[2], 2);
    WriteLe32(&compressedNoRate[4], 44100);
    WriteLe16(&compressedNoRate[12], 1);
    std::vector<uint8_t> data(16);
    auto tinyFmt = std::vector<uint8_t>(10);

    std::vector<Case> cases = {
        {"empty", {}, WaveParseError::NotWave},
        {"short", {'R', 'I', 'F', 'F', 0, 0}, WaveParseError::NotWave},
        {"not wave", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, WaveParseError::NotWave},
        {"header only", RiffBuilder().Build(), WaveParseError::NoFormat},
        {"no data", RiffBuilder().Chunk("fmt ", Pcm16Format()).Build(), WaveParseError::NoData},
        {"no format", RiffBuilder().Chunk("data", data).Build(), WaveParseError::NoFormat},
        {"tiny format", RiffBuilder().Chunk("fmt ", tinyFmt).Chunk("data", data).Build(),
         WaveParseError::NoFormat},
        {"zero channels", RiffBuilder().Chunk("fmt ", zeroChannels).Chunk("data", data).Build(),
         WaveParseError::BadFormat},
        {"bad align", RiffBuilder().Chunk("fmt ", badAlign).Chunk("data", data).Build(),
         WaveParseError::BadFormat},
        {"12 bits", RiffBuilder().Chunk("fmt ", oddBits).Chunk("data", data).Build(),
         WaveParseError::BadFormat},
        {"zero rate", RiffBuilder().Chunk("fmt ", zeroRate).Chunk("data", data).Build(),
         WaveParseError::BadFormat},
        {"compressed without rate",
         RiffBuilder().Chunk("fmt ", compressedNoRate).Chunk("data", data).Build(),
         WaveParseError::BadFormat},
        // A format chunk that claims 4 GiB: read only as far as the file goes.
        {"huge format claim",
         RiffBuilder().Chunk("fmt ", std::vector<uint8_t>(12), 0xFFFFFFFFu).Build(),
         WaveParseError::NoFormat},
    };
    for (const auto& c : cases) {
        auto r = Parse(c.bytes);
        EXPECT_EQ(r.error, c.expected) << c.name;
    }
}

TEST(RiffWaveLayout, ManyEmptyChunksEndTheWalk) {
    RiffBuilder b;
    for (int i = 0; i < kMaxChunks + 10; ++i) b.Chunk("pad ", {});
    b.Chunk("fmt ", Pcm16Format()).Chunk("data", std::vector<uint8_t>(4));
    EXPECT_EQ(Parse(b.Build()).error, WaveParseError::TooManyChunks);
}

TEST(RiffWaveLayout, FailingSourceIsReported) {
    class Failing : public ByteSource {
    public:
        explicit Failing(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
        uint64_t Size() const override { return bytes_.size(); }
        bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
            if (offset >= 12) return false;
            return SpanByteSource(bytes_).ReadAt(offset, out);
        }

    private:
        std::vector<uint8_t> bytes_;
    };
    Failing source(RiffBuilder().Chunk("fmt ", Pcm16Format()).Chunk("data", {1, 2, 3, 4}).Build());
    EXPECT_EQ(ParseRiffWave(source).error, WaveParseError::ReadFailed);
}

}  // namespace
}  // namespace tarnel::media
