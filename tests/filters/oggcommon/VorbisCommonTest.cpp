#include <gtest/gtest.h>

#include <cstring>

#include "filters/oggcommon/COggPageQueue.h"
#include "filters/oggcommon/OggStreamHeader.h"
#include "filters/oggcommon/VorbisFormatBlock.h"
#include "framework/RefTime.h"

namespace tarnel {
namespace {

TEST(MulDivRound, RoundsToNearestWithExactHalfDown) {
    EXPECT_EQ(MulDivRound(1, 10, 4), 2);    // 2.5 -> 2
    EXPECT_EQ(MulDivRound(3, 10, 4), 7);    // 7.5 -> 7
    EXPECT_EQ(MulDivRound(1, 11, 4), 3);    // 2.75 -> 3
    EXPECT_EQ(MulDivRound(1, 9, 4), 2);     // 2.25 -> 2
    EXPECT_EQ(MulDivRound(-3, 10, 4), -7);  // mirrored: -7.5 -> -7
    EXPECT_EQ(MulDivRound(-1, 11, 4), -3);
    EXPECT_EQ(RefTimeToSamples(-SamplesToRefTime(2500, 44100), 44100), -2500);
    EXPECT_EQ(MulDivRound(5, 0, 7), 0);
    EXPECT_EQ(MulDivRound(5, 7, 0), 0);
}

TEST(MulDivRound, SampleCountsSurviveTheRoundTripThroughTime) {
    for (int64_t rate : {8000, 11025, 22050, 44100, 48000, 96000}) {
        for (int64_t samples : {0LL, 1LL, 127LL, 44100LL, 1234567LL, 158760000LL}) {
            EXPECT_EQ(RefTimeToSamples(SamplesToRefTime(samples, rate), rate), samples)
                << samples << " at " << rate;
        }
    }
    EXPECT_EQ(SamplesToRefTime(44100, 44100), 10'000'000);
    // No overflow with large products.
    EXPECT_EQ(MulDivRound(INT64_C(1) << 60, 10'000'000, 10'000'000), INT64_C(1) << 60);
}

TEST(VorbisFormatBlock, SerialisesTheLittleEndianLayout) {
    VorbisFormatBlock block{2, 44100, 64000, 112000, 128000, 0.5f};
    std::vector<uint8_t> bytes = SerializeVorbisFormatBlock(block);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(ReadLe32(&bytes[4]), 44100u);
    EXPECT_EQ(ReadLe32(&bytes[12]), 112000u);
    float quality;
    std::memcpy(&quality, &bytes[20], 4);
    EXPECT_EQ(quality, 0.5f);
    EXPECT_EQ(ParseVorbisFormatBlock(bytes), block);
    EXPECT_FALSE(ParseVorbisFormatBlock(std::span(bytes).first(23)));
}

TEST(VorbisFormatBlock, DefaultsMarkUnsetBitratesAndBitrateMode) {
    VorbisFormatBlock block;
    EXPECT_EQ(block.minBitsPerSec, -1);
    EXPECT_EQ(block.avgBitsPerSec, -1);
    EXPECT_EQ(block.maxBitsPerSec, -1);
    EXPECT_EQ(block.quality, -1.0f);
    CMediaType type = MakeVorbisMediaType(block);
    EXPECT_TRUE(IsVorbisMediaType(type));
    EXPECT_FALSE(type.bFixedSizeSamples);
    type.format.resize(10);
    EXPECT_FALSE(VorbisBlockOf(type));
}

TEST(PacketFraming, DurationOfOneUnitCarriesNoLengthBytes) {
    uint8_t out[8];
    EXPECT_EQ(WritePacketFraming(out, false, 1), 1u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(WritePacketFraming(out, true, 1), 1u);
    EXPECT_EQ(out[0], 0x08);
}

TEST(PacketFraming, DurationOf300CarriesTwoLengthBytes) {
    uint8_t out[8];
    ASSERT_EQ(WritePacketFraming(out, false, 300), 3u);
    EXPECT_EQ(out[0], 0x80);
    EXPECT_EQ(out[1], 0x2C);
    EXPECT_EQ(out[2], 0x01);
    ASSERT_EQ(WritePacketFraming(out, true, 300), 3u);
    EXPECT_EQ(out[0], 0x88);
    auto framing = ReadPacketFraming(std::span<const uint8_t>(out, 3));
    ASSERT_TRUE(framing);
    EXPECT_EQ(framing->duration, 300);
    EXPECT_TRUE(framing->syncPoint);
    EXPECT_EQ(framing->headerLength, 3u);
}

TEST(PacketFraming, FourLengthBytesUseTheThirdCountBit) {
    uint8_t out[8];
    ASSERT_EQ(WritePacketFraming(out, false, 0x01020304), 5u);
    EXPECT_EQ(out[0], 0x02);  // n = 4: low bits 0, bit 2 in bit 1
    auto framing = ReadPacketFraming(std::span<const uint8_t>(out, 5));
    ASSERT_TRUE(framing);
    EXPECT_EQ(framing->duration, 0x01020304);
}

TEST(PacketFraming, RefusesHeadersAndLengthsPastTheEnd) {
    const uint8_t header[] = {0x01, 0x02};
    EXPECT_FALSE(ReadPacketFraming(header));
    const uint8_t truncated[] = {0x80, 0x2C};
    EXPECT_FALSE(ReadPacketFraming(truncated));
    EXPECT_FALSE(ReadPacketFraming({}));
}

TEST(StreamHeader, AudioRecordFromWaveFormat) {
    WAVEFORMATEX wfx = MakePcmFormat(2, 22050, 16);
    const uint8_t extra[] = {9, 8, 7};
    CMediaType type = MakeAudioMediaType(wfx, extra);
    auto header = StreamHeaderForMediaType(type, 4096);
    ASSERT_TRUE(header);
    std::vector<uint8_t> bytes = SerializeStreamHeader(*header);
    ASSERT_EQ(bytes.size(), 59u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data())), "audio");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[8]), 4), "0001");
    EXPECT_EQ(ReadLe32(&bytes[12]), 59u);
    EXPECT_EQ(ReadLe32(&bytes[16]), 10'000'000u);
    EXPECT_EQ(ReadLe32(&bytes[24]), 22050u);
    EXPECT_EQ(ReadLe32(&bytes[36]), 4096u);
    EXPECT_EQ(ReadLe16(&bytes[40]), 16);
    EXPECT_EQ(ReadLe16(&bytes[44]), 2);
    EXPECT_EQ(ReadLe16(&bytes[46]), 4);
    EXPECT_EQ(ReadLe32(&bytes[48]), 22050u * 4);
    EXPECT_EQ(bytes[56], 9);

    auto parsed = ParseStreamHeader(bytes);
    ASSERT_TRUE(parsed);
    CMediaType back = MediaTypeForStreamHeader(*parsed);
    auto info = back.WaveFormat();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.nChannels, 2);
    EXPECT_EQ(info->format.nSamplesPerSec, 22050u);
    EXPECT_EQ(info->format.nBlockAlign, 4);
    EXPECT_EQ(info->extra, std::vector<uint8_t>({9, 8, 7}));
    EXPECT_EQ(back.subtype, MEDIASUBTYPE_PCM);
}

TEST(StreamHeader, RefusesAbsurdSizesAndUnknownKinds) {
    OggStreamHeader header;
    header.kind = OggStreamKind::Text;
    std::vector<uint8_t> bytes = SerializeStreamHeader(header);
    WriteLe32(&bytes[12], 0x7FFFFFF0);
    EXPECT_FALSE(ParseStreamHeader(bytes));
    WriteLe32(&bytes[12], 20);
    EXPECT_FALSE(ParseStreamHeader(bytes));
    WriteLe32(&bytes[12], 56);
    EXPECT_TRUE(ParseStreamHeader(bytes));
    std::memcpy(bytes.data(), "movie\0\0\0", 8);
    EXPECT_FALSE(ParseStreamHeader(bytes));
    EXPECT_FALSE(ParseStreamHeader(std::span(bytes).first(40)));
}

TEST(StreamHeader, OlderHeaderFormIsFoundByItsFormatGuid) {
    std::vector<uint8_t> packet = {0x01};
    packet.insert(packet.end(), kOldDirectShowSignature,
                  kOldDirectShowSignature + sizeof(kOldDirectShowSignature) - 1);
    packet.resize(packet.size() + 24, 0);  // unrelated fields before the format
    auto guid = FORMAT_WaveFormatEx.ToBytes();
    packet.insert(packet.end(), guid.begin(), guid.end());
    auto wave = SerializeWaveFormat(MakePcmFormat(1, 8000, 8));
    packet.insert(packet.end(), wave.begin(), wave.end());
    auto header = ParseOldDirectShowHeader(packet);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->kind, OggStreamKind::Audio);
    EXPECT_EQ(header->samplesPerUnit, 8000);
    EXPECT_EQ(header->Channels(), 1);
    packet.resize(packet.size() - 10);  // the wave format cut short
    EXPECT_FALSE(ParseOldDirectShowHeader(packet));
}

TEST(COggPageQueue, RecyclesNodesAndGrowsInSteps) {
    COggPageQueue queue;
    std::vector<uint8_t> header(40, 1), body(3000, 2);
    queue.PushPage(5, header, body);
    queue.PushPage(6, header, body);
    EXPECT_EQ(queue.PageCount(), 2u);
    EXPECT_EQ(queue.HeadTime(), 5);
    bool empty = false;
    auto node = queue.TakePage(&empty);
    ASSERT_TRUE(node);
    EXPECT_FALSE(empty);
    EXPECT_EQ(node->time, 5);
    EXPECT_EQ(node->Size(), 3040u);
    queue.Recycle(std::move(node));
    EXPECT_EQ(queue.FreeNodes(), 1u);

    // A larger body grows the capacity to the next 1024 step and empties the free list.
    std::vector<uint8_t> big(6000, 3);
    queue.PushPage(7, header, big);
    EXPECT_EQ(queue.BodyCapacity(), 6144u);
    EXPECT_EQ(queue.FreeNodes(), 0u);
    std::vector<uint8_t> bigHeader(300, 4);
    queue.PushPage(8, bigHeader, body);
    EXPECT_EQ(queue.HeaderCapacity(), 384u);

    // The old small node is freed instead of recycled.
    auto old = queue.TakePage(&empty);
    queue.Recycle(std::move(old));
    EXPECT_EQ(queue.FreeNodes(), 0u);
    auto grown = queue.TakePage(&empty);
    EXPECT_EQ(grown->time, 7);
    EXPECT_EQ(grown->Body()[5999], 3);
    queue.Recycle(std::move(grown));
    auto last = queue.TakePage(&empty);
    EXPECT_TRUE(empty);
    queue.Recycle(std::move(last));
    EXPECT_FALSE(queue.TakePage(&empty));
    EXPECT_TRUE(empty);
    EXPECT_EQ(queue.FreeNodes(), 1u);
}

}  // namespace
}  // namespace tarnel
