#include <gtest/gtest.h>

#include "framework/Guids.h"
#include "framework/MediaType.h"
#include "framework/Result.h"

namespace tarnel {
namespace {

TEST(GuidTest, TextRoundTripAndStoredByteLayout) {
    EXPECT_EQ(MEDIATYPE_Stream.ToString(), "{E436EB83-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GUID::Parse("{e436eb83-524f-11ce-9f53-0020af0ba770}"), MEDIATYPE_Stream);
    EXPECT_EQ(GUID::Parse("73647561-0000-0010-8000-00AA00389B71"), MEDIATYPE_Audio);
    EXPECT_FALSE(GUID::Parse("{E436EB83-524F-11CE-9F53-0020AF0BA77}"));
    EXPECT_FALSE(GUID::Parse("{E436EB83+524F-11CE-9F53-0020AF0BA770}"));
    EXPECT_FALSE(GUID::Parse("{G436EB83-524F-11CE-9F53-0020AF0BA770}"));

    // As stored in a WAVEFORMATEXTENSIBLE block: first three groups little-endian.
    auto bytes = MEDIASUBTYPE_PCM.ToBytes();
    const uint8_t expected[16] = {0x01, 0, 0, 0,    0, 0,    0x10, 0,
                                  0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected));
    EXPECT_EQ(GUID::FromBytes(bytes), MEDIASUBTYPE_PCM);
    EXPECT_EQ(GUID::FromBytes(std::span<const uint8_t>(expected, 15)), GUID_NULL);
}

TEST(GuidTest, FourccFamily) {
    EXPECT_EQ(FourccSubtype(0x55), MEDIASUBTYPE_MP3);
    EXPECT_EQ(FourccSubtype(0x50), MEDIASUBTYPE_MPEG1AudioPayload);
    EXPECT_TRUE(IsFourccSubtype(MEDIASUBTYPE_IEEE_FLOAT));
    EXPECT_TRUE(IsFourccSubtype(MEDIATYPE_Audio));
    EXPECT_FALSE(IsFourccSubtype(MEDIASUBTYPE_WAVE));
    EXPECT_FALSE(IsFourccSubtype(MEDIASUBTYPE_VorbisPackets));
    EXPECT_EQ(FourccOfSubtype(FourccSubtype(0x163)), 0x163u);
    EXPECT_EQ(FourccOfSubtype(MEDIASUBTYPE_MPEG1Audio), 0u);
    EXPECT_NE(std::hash<GUID>{}(MEDIASUBTYPE_PCM), std::hash<GUID>{}(MEDIASUBTYPE_IEEE_FLOAT));
}

TEST(ResultTest, CodesKeepTheirWindowsValuesAndSigns) {
    EXPECT_EQ(static_cast<uint32_t>(VFW_E_TYPE_NOT_ACCEPTED), 0x8004022Au);
    EXPECT_EQ(static_cast<uint32_t>(VFW_E_NOT_CONNECTED), 0x80040209u);
    EXPECT_EQ(static_cast<uint32_t>(VFW_E_UNSUPPORTED_STREAM), 0x80040265u);
    EXPECT_EQ(static_cast<uint32_t>(E_VORBIS_SETTINGS_REJECTED), 0x80080800u);
    EXPECT_TRUE(FAILED(NS_E_UNSUPPORTED_PROPERTY));
    EXPECT_TRUE(SUCCEEDED(VFW_S_NO_MORE_ITEMS));
    EXPECT_TRUE(SUCCEEDED(VFW_S_STATE_INTERMEDIATE));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_UNEXPECTED));
}

TEST(WaveFormatTest, PcmRecordRoundTrip) {
    WAVEFORMATEX pcm = MakePcmFormat(2, 44100, 16);
    EXPECT_EQ(pcm.nBlockAlign, 4);
    EXPECT_EQ(pcm.nAvgBytesPerSec, 176400u);
    auto block = SerializeWaveFormat(pcm);
    ASSERT_EQ(block.size(), 18u);
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(ReadLe32(block.data() + 4), 44100u);
    auto parsed = ParseWaveFormat(block);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->format, pcm);
    EXPECT_TRUE(parsed->extra.empty());
}

TEST(WaveFormatTest, ShortAndLyingBlocks) {
    auto block = SerializeWaveFormat(MakePcmFormat(1, 8000, 8));
    // The 16-byte PCMWAVEFORMAT form has no cbSize.
    auto old = ParseWaveFormat(std::span(block).first(16));
    ASSERT_TRUE(old);
    EXPECT_EQ(old->format.cbSize, 0);
    EXPECT_FALSE(ParseWaveFormat(std::span(block).first(15)));
    // cbSize claiming more bytes than the block holds is refused, not read past.
    WriteLe16(block.data() + 16, 12);
    EXPECT_FALSE(ParseWaveFormat(block));
    block.resize(18 + 12, 0xAB);
    auto withExtra = ParseWaveFormat(block);
    ASSERT_TRUE(withExtra);
    EXPECT_EQ(withExtra->extra.size(), 12u);
}

TEST(WaveFormatTest, ExtensibleBlock) {
    WAVEFORMATEXTENSIBLE ext;
    ext.Format = MakeFloatFormat(6, 48000);
    ext.wValidBitsPerSample = 32;
    ext.dwChannelMask = 0x3F;
    ext.SubFormat = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
    auto block = SerializeWaveFormatExtensible(ext);
    ASSERT_EQ(block.size(), kWaveFormatExtensibleSize);
    EXPECT_EQ(ReadLe16(block.data()), WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(ReadLe16(block.data() + 16), 22);
    auto parsed = ParseWaveFormat(block);
    ASSERT_TRUE(parsed && parsed->extensible);
    EXPECT_EQ(parsed->extensible->SubFormat, KSDATAFORMAT_SUBTYPE_IEEE_FLOAT);
    EXPECT_EQ(parsed->extensible->dwChannelMask, 0x3Fu);
    EXPECT_EQ(parsed->EffectiveTag(), WAVE_FORMAT_IEEE_FLOAT);

    CMediaType mt = MakeAudioMediaType(ext);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_IEEE_FLOAT);
    EXPECT_EQ(mt.FormatLength(), 40u);
}

TEST(MediaTypeTest, WaveFormatAccessAndPartialMatching) {
    CMediaType mt = MakeAudioMediaType(MakePcmFormat(2, 22050, 8));
    EXPECT_EQ(mt.majortype, MEDIATYPE_Audio);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(mt.formattype, FORMAT_WaveFormatEx);
    EXPECT_EQ(mt.GetSampleSize(), 2u);
    ASSERT_TRUE(mt.WaveFormatEx());
    EXPECT_EQ(mt.WaveFormatEx()->nSamplesPerSec, 22050u);

    EXPECT_TRUE(mt.MatchesPartial(CMediaType(MEDIATYPE_Audio, GUID_NULL)));
    EXPECT_TRUE(mt.MatchesPartial(CMediaType()));
    EXPECT_FALSE(mt.MatchesPartial(CMediaType(MEDIATYPE_Stream, GUID_NULL)));
    EXPECT_FALSE(mt.MatchesPartial(CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT)));
    CMediaType otherFormat = MakeAudioMediaType(MakePcmFormat(1, 22050, 8));
    EXPECT_FALSE(mt.MatchesPartial(otherFormat));
    EXPECT_TRUE(CMediaType(MEDIATYPE_Audio, GUID_NULL).IsPartiallySpecified());
    EXPECT_FALSE(mt.IsPartiallySpecified());

    // A format type that is not WAVEFORMATEX is never parsed as one.
    CMediaType stream(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    stream.format = mt.format;
    EXPECT_FALSE(stream.WaveFormat());
    mt.format.resize(10);
    EXPECT_FALSE(mt.WaveFormat());
}

}  // namespace
}  // namespace tarnel
