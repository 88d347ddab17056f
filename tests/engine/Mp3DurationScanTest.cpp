#include "engine/Mp3DurationScan.h"

#include <gtest/gtest.h>

#include "engine/MemoryMappedFile.h"
#include "tests/engine/Mp3Fixtures.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

using test::AppendMpegFrames;
using test::MakeMpegFrames;
using test::MpegFrameSpec;

double Seconds(const MpegFrameSpec& spec, int frames) {
    return double(test::SpecSamplesPerFrame(spec)) * frames / test::SpecSampleRate(spec);
}

TEST(Mp3DurationScan, ConstantBitrateMpeg1LayerIIICountsEveryFrame) {
    for (int frames : {20, 21, 100, 2583}) {
        const MpegFrameSpec spec;  // 128 kbit/s, 44100 Hz, padding spread as an encoder does
        const auto bytes = MakeMpegFrames(spec, frames);
        EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), frames * 1152.0 / 44100.0) << frames;
    }
}

TEST(Mp3DurationScan, FewerThanTwentyFramesAreNotMpegAudio) {
    const MpegFrameSpec spec;
    EXPECT_EQ(ScanMp3Duration(MakeMpegFrames(spec, 19)), 0.0);
    EXPECT_GT(ScanMp3Duration(MakeMpegFrames(spec, 20)), 0.0);
}

TEST(Mp3DurationScan, RateChangesBeforeARunOfTwentyAreRefused) {
    MpegFrameSpec a;
    MpegFrameSpec b;
    b.sampleRateIndex = 1;  // 48000 Hz
    std::vector<uint8_t> bytes;
    for (int block = 0; block < 4; ++block) {
        AppendMpegFrames(bytes, a, 15);
        AppendMpegFrames(bytes, b, 15);
    }
    EXPECT_EQ(ScanMp3Duration(bytes), 0.0);
}

TEST(Mp3DurationScan, OtherFramesAfterTheLockAreSkipped) {
    MpegFrameSpec main;
    MpegFrameSpec other;
    other.sampleRateIndex = 2;  // 32000 Hz
    auto bytes = MakeMpegFrames(main, 30);
    AppendMpegFrames(bytes, other, 5);
    AppendMpegFrames(bytes, main, 10);
    EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), Seconds(main, 40));
}

TEST(Mp3DurationScan, Mpeg25LayerIIIUses576SamplesPerFrame) {
    MpegFrameSpec spec;
    spec.versionId = 0;        // MPEG 2.5
    spec.bitrateIndex = 8;     // 64 kbit/s
    spec.sampleRateIndex = 0;  // 11025 Hz
    const auto bytes = MakeMpegFrames(spec, 500);
    EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), 500 * 576.0 / 11025.0);
}

TEST(Mp3DurationScan, EachVersionAndLayerGivesItsPlayingTime) {
    struct Case {
        int versionId, layerId, bitrateIndex, sampleRateIndex;
    };
    const Case cases[] = {{3, 2, 10, 1}, {3, 3, 4, 2}, {2, 1, 8, 1}, {2, 2, 6, 2}, {0, 3, 5, 2}};
    for (const auto& c : cases) {
        MpegFrameSpec spec;
        spec.versionId = c.versionId;
        spec.layerId = c.layerId;
        spec.bitrateIndex = c.bitrateIndex;
        spec.sampleRateIndex = c.sampleRateIndex;
        SCOPED_TRACE(testing::Message() << "version " << c.versionId << " layer " << c.layerId);
        EXPECT_DOUBLE_EQ(ScanMp3Duration(MakeMpegFrames(spec, 77)), Seconds(spec, 77));
    }
}

TEST(Mp3DurationScan, LeadingId3v2TagIsSkippedWithItsPicture) {
    const MpegFrameSpec spec;
    for (bool footer : {false, true}) {
        auto bytes = test::MakeId3v2Tag(64 * 1024, footer);
        const auto audio = MakeMpegFrames(spec, 50);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        EXPECT_EQ(Id3v2TagsSize(bytes), bytes.size() - audio.size());
        EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), Seconds(spec, 50)) << "footer " << footer;
    }
}

TEST(Mp3DurationScan, ConsecutiveTagsAreAllSkipped) {
    auto bytes = test::MakeId3v2Tag(3000);
    const auto second = test::MakeId3v2Tag(5000);
    bytes.insert(bytes.end(), second.begin(), second.end());
    const size_t tags = bytes.size();
    const auto audio = MakeMpegFrames(MpegFrameSpec{}, 25);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    EXPECT_EQ(Id3v2TagsSize(bytes), tags);
    EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), Seconds(MpegFrameSpec{}, 25));
}

TEST(Mp3DurationScan, MalformedTagSizesAreNotTrusted) {
    auto bytes = test::MakeId3v2Tag(100);
    bytes[7] = 0x80;  // not sync-safe
    EXPECT_EQ(Id3v2TagsSize(bytes), 0u);

    // A tag that claims more than the file holds leaves nothing to scan.
    auto huge = test::MakeId3v2Tag(100);
    huge[6] = 0x7F;
    const auto audio = MakeMpegFrames(MpegFrameSpec{}, 40);
    huge.insert(huge.end(), audio.begin(), audio.end());
    EXPECT_GT(Id3v2TagsSize(huge), huge.size());
    EXPECT_EQ(ScanMp3Duration(huge), 0.0);
}

TEST(Mp3DurationScan, FindsFramesAfterGarbage) {
    std::vector<uint8_t> bytes(1001, 0x55);
    bytes[17] = 0xFF;  // a lone sync byte
    AppendMpegFrames(bytes, MpegFrameSpec{}, 30);
    EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), Seconds(MpegFrameSpec{}, 30));
}

TEST(Mp3DurationScan, TinyAndNonAudioInputsGiveZero) {
    EXPECT_EQ(ScanMp3Duration(std::span<const uint8_t>{}), 0.0);
    const std::vector<uint8_t> header = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_EQ(ScanMp3Duration(header), 0.0);
    const std::vector<uint8_t> ones(100000, 0xFF);  // sync everywhere, bitrate index 15
    EXPECT_EQ(ScanMp3Duration(ones), 0.0);
    const auto wav = test::EncodeWav(test::MakeSine(44100, 2, 0.5, 440, 0.5));
    EXPECT_EQ(ScanMp3Duration(wav), 0.0);
}

TEST(Mp3DurationScan, TruncatedLastFrameStillCounts) {
    auto bytes = MakeMpegFrames(MpegFrameSpec{}, 25);
    ASSERT_GT(bytes.size(), 300u);
    bytes.erase(bytes.end() - 300, bytes.end());
    EXPECT_DOUBLE_EQ(ScanMp3Duration(bytes), Seconds(MpegFrameSpec{}, 25));
}

class Mp3DurationScanFile : public test::IsolatedTest {};

TEST_F(Mp3DurationScanFile, ReadsTheFileThroughAMapping) {
    const auto path = root() / "song.mp3";
    const auto bytes = MakeMpegFrames(MpegFrameSpec{}, 345);
    test::WriteFileBytes(path, bytes);
    EXPECT_DOUBLE_EQ(ScanMp3Duration(path), Seconds(MpegFrameSpec{}, 345));
    EXPECT_EQ(test::ReadFileBytes(path), bytes) << "the source must stay untouched";
}

TEST_F(Mp3DurationScanFile, MissingEmptyAndSpecialFilesGiveZero) {
    EXPECT_EQ(ScanMp3Duration(root() / "absent.mp3"), 0.0);
    test::WriteFileBytes(root() / "empty.mp3", {});
    EXPECT_EQ(ScanMp3Duration(root() / "empty.mp3"), 0.0);
    EXPECT_EQ(ScanMp3Duration(root()), 0.0);  // a directory
    EXPECT_EQ(ScanMp3Duration(std::filesystem::path("/dev/zero")), 0.0);
}

TEST_F(Mp3DurationScanFile, MappingIsMovableAndReleasesOnClose) {
    const auto path = root() / "a.bin";
    test::WriteFileBytes(path, {1, 2, 3, 4, 5});
    MemoryMappedFile first;
    ASSERT_FALSE(first.Open(path));
    MemoryMappedFile second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    ASSERT_TRUE(second.IsOpen());
    ASSERT_EQ(second.Size(), 5u);
    EXPECT_EQ(second.Bytes()[4], 5);
    second.Close();
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(second.Bytes().empty());

    MemoryMappedFile empty;
    test::WriteFileBytes(root() / "e.bin", {});
    ASSERT_FALSE(empty.Open(root() / "e.bin"));
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_EQ(empty.Size(), 0u);
}

}  // namespace
}  // namespace tarnel
