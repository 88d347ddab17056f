// The export settings records byte for byte: they are the persistent format.
#include <gtest/gtest.h>

#include <string>

#include "settings/Mp3Settings.h"
#include "settings/OggSettings.h"
#include "settings/RecordBytes.h"
#include "settings/WavSettings.h"
#include "settings/WmaSettings.h"

namespace tarnel {
namespace {

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0xf];
    }
    return out;
}

TEST(ExportRecords, SizesAreTheStoredSizes) {
    EXPECT_EQ(Mp3Settings{}.ToBytes().size(), 32u);
    EXPECT_EQ(WmaSettings{}.ToBytes().size(), 12u);
    EXPECT_EQ(OggSettings{}.ToBytes().size(), 40u);
    EXPECT_EQ(WavSettings{}.ToBytes().size(), 152u);
}

TEST(ExportRecords, DefaultsAsStored) {
    EXPECT_EQ(Hex(Mp3Settings{}.ToBytes()),
              "80000000"    // cbrBitrate 128
              "40000000"    // minBitrate 64
              "80000000"    // maxBitrate 128
              "04000000"    // vbrQuality 4
              "44ac0000"    // sampleRate 44100
              "05000000"    // encodingQuality 5
              "02000000"    // channelMode joint stereo
              "00000001");  // copyright, crc, original, constantBitrate
    EXPECT_EQ(Hex(WmaSettings{}.ToBytes()),
              "00000000"
              "18000000"
              "00"
              "000000");
    EXPECT_EQ(Hex(OggSettings{}.ToBytes()),
              "40000000"          // minBitrate 64
              "80000000"          // maxBitrate 128
              "70000000"          // avgBitrate 112
              "01000000"          // quality based
              "00000000"          // bitrateMode true VBR
              "00000000"          // padding
              "000000000000e03f"  // quality 0.5
              "44ac0000"          // sampleRate 44100
              "02000000");        // channels
    EXPECT_EQ(Hex(WavSettings{}.ToBytes()),
              "ffffffff"                     // PCM
              "ffffffff"                     // no list entry
              "17000000"                     // row 23
              "44ac0000"                     // 44100 Hz
              "02000000"                     // stereo
              "10000000"                     // 16 bits
                  + std::string(256, '0'));  // empty name
}

TEST(ExportRecords, EveryFieldAtItsOffset) {
    Mp3Settings mp3;
    mp3.cbrBitrate = 0x01020304;
    mp3.minBitrate = 0x11121314;
    mp3.maxBitrate = 0x21222324;
    mp3.vbrQuality = 0x31323334;
    mp3.sampleRate = 0x41424344;
    mp3.encodingQuality = 0x51525354;
    mp3.channelMode = -2;
    mp3.copyright = 0xa1;
    mp3.crc = 0xa2;
    mp3.original = 0xa3;
    mp3.constantBitrate = 0xa4;
    EXPECT_EQ(Hex(mp3.ToBytes()),
              "04030201"
              "14131211"
              "24232221"
              "34333231"
              "44434241"
              "54535251"
              "feffffff"
              "a1a2a3a4");
    EXPECT_EQ(Mp3Settings::FromBytes(mp3.ToBytes()), mp3);

    WmaSettings wma;
    wma.codecIndex = 3;
    wma.formatIndex = -5;
    wma.vbr = 1;
    EXPECT_EQ(Hex(wma.ToBytes()),
              "03000000"
              "fbffffff"
              "01"
              "000000");
    EXPECT_EQ(WmaSettings::FromBytes(wma.ToBytes()), wma);

    OggSettings ogg;
    ogg.minBitrate = 80;
    ogg.maxBitrate = 320;
    ogg.avgBitrate = 500;
    ogg.qualityBased = 0;
    ogg.bitrateMode = 3;
    ogg.quality = -1.5;  // 0xbff8000000000000
    ogg.sampleRate = 22050;
    ogg.channels = 1;
    EXPECT_EQ(Hex(ogg.ToBytes()),
              "50000000"
              "40010000"
              "f4010000"
              "00000000"
              "03000000"
              "00000000"
              "000000000000f8bf"
              "22560000"
              "01000000");
    EXPECT_EQ(OggSettings::FromBytes(ogg.ToBytes()), ogg);

    WavSettings wav;
    wav.compressorIndex = 2;
    wav.compressorListIndex = 1;
    wav.SetCompressorName("IMA ADPCM");
    const auto bytes = wav.ToBytes();
    EXPECT_EQ(Hex(bytes).substr(0, 48),
              "02000000"
              "01000000"
              "17000000"
              "44ac0000"
              "02000000"
              "10000000");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 24), "IMA ADPCM");
    EXPECT_EQ(bytes[24 + 9], 0);
    EXPECT_EQ(WavSettings::FromBytes(bytes), wav);
}

TEST(ExportRecords, PaddingIsNotReadBack) {
    auto bytes = OggSettings{}.ToBytes();
    bytes[20] = 0x77;  // padding before quality
    EXPECT_EQ(OggSettings::FromBytes(bytes), OggSettings{});
    auto wma = WmaSettings{}.ToBytes();
    wma[11] = 0x77;
    EXPECT_EQ(WmaSettings::FromBytes(wma), WmaSettings{});
}

TEST(ExportRecords, CompressorNameIsBoundedAndTerminated) {
    WavSettings wav;
    wav.SetCompressorName(std::string(200, 'n'));
    EXPECT_EQ(wav.CompressorName(), std::string(127, 'n'));
    EXPECT_EQ(wav.compressorName[127], '\0');
    wav.SetCompressorName("GSM 6.10");
    EXPECT_EQ(wav.CompressorName(), "GSM 6.10");
    EXPECT_EQ(wav.compressorName[20], '\0');  // the longer old name is cleared

    // A stored block without any NUL in the name gives 128 characters, never more.
    auto bytes = WavSettings{}.ToBytes();
    std::fill(bytes.begin() + 24, bytes.end(), 'z');
    EXPECT_EQ(WavSettings::FromBytes(bytes).CompressorName(), std::string(128, 'z'));
}

TEST(ExportRecords, AShorterStoredBlockReplacesOnlyTheBytesItCovers) {
    Mp3Settings preset;
    preset.maxBitrate = 0x0a0b0c0d;
    // 10 bytes: cbrBitrate and minBitrate whole, the low half of maxBitrate.
    const std::vector<uint8_t> stored{0x20, 0, 0, 0, 0x30, 0, 0, 0, 0xff, 0xee};
    const Mp3Settings read = OverlayRecord(preset, stored);
    EXPECT_EQ(read.cbrBitrate, 32);
    EXPECT_EQ(read.minBitrate, 48);
    EXPECT_EQ(read.maxBitrate, 0x0a0beeff);
    EXPECT_EQ(read.vbrQuality, preset.vbrQuality);
    EXPECT_EQ(read.constantBitrate, preset.constantBitrate);
    EXPECT_EQ(OverlayRecord(preset, {}), preset);
}

}  // namespace
}  // namespace tarnel
