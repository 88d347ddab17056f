#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/SettingsStore.h"
#include "tests/support/IsolatedTest.h"
#include "ui/ExportSummary.h"
#include "wma/ProfileEnumerator.h"

namespace tarnel::ui {
namespace {

// The line of the text that starts with `prefix`; empty when there is none.
std::string LineStarting(const std::string& text, const std::string& prefix) {
    const size_t at = text.find(prefix);
    if (at == std::string::npos) return {};
    return text.substr(at, text.find('\n', at) - at);
}

class ExportSummaryTest : public test::IsolatedTest {};

TEST_F(ExportSummaryTest, Mp3TextWithItsQualityLinesAndBitrateModes) {
    Mp3Settings s;
    EXPECT_EQ(
        Mp3SummaryText(s),
        "Format: MPEG Layer III [MP3]\n\nBitrate Mode: CBR\n\nEncoding Quality: Good, fast [5]"
        "\n\nConstant Bitrate: 128 kbps\n\nSampling Rate: 44100 Hz\n\nChannel Mode: Joint "
        "Stereo\n\nCopyright tag: No\n\nOriginal tag: No\n\nCRC Check: No");
    // Nothing stored at all: "Format" is unreadable and the defaults show.
    ProfileEnumerator codecs;
    EXPECT_EQ(BuildExportSummary(codecs), Mp3SummaryText(s));

    s.encodingQuality = 0;
    EXPECT_EQ(LineStarting(Mp3SummaryText(s), "Encoding"), "Encoding Quality: Best, slow [0]");
    s.encodingQuality = 9;
    EXPECT_EQ(LineStarting(Mp3SummaryText(s), "Encoding"),
              "Encoding Quality: Low, lightning fast [9]");
    s.encodingQuality = 10;
    EXPECT_NE(Mp3SummaryText(s).find("Bitrate Mode: CBR\n\n\n\nConstant Bitrate"),
              std::string::npos);

    s.constantBitrate = 0;
    s.channelMode = 0;
    s.crc = 1;
    const std::string vbr = Mp3SummaryText(s);
    EXPECT_NE(
        vbr.find("Minimum Bitrate: 64 kbps\n\nMaximum Bitrate: 128 kbps\n\nVBR Quality: 4\n\n"),
        std::string::npos);
    EXPECT_EQ(vbr.find("Constant"), std::string::npos);
    EXPECT_EQ(LineStarting(vbr, "Channel"), "Channel Mode: Mono");
    EXPECT_EQ(LineStarting(vbr, "CRC"), "CRC Check: Yes");
}

TEST_F(ExportSummaryTest, OggTextByStrategyAndMode) {
    OggSettings s;
    s.quality = 62.7;
    s.channels = 1;
    EXPECT_EQ(OggSummaryText(s),
              "Format: Ogg-Vorbis\n\nEncoder Strategy: Quality Based\n\nOgg Quality: 62\nNote: 100 "
              "is the highest quality\n\nSampling Rate: 44100 Hz\n\nChannel Mode: Mono\n\n");
    // A damaged record cannot make the truncation misbehave.
    s.quality = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(LineStarting(OggSummaryText(s), "Ogg Quality"), "Ogg Quality: 0");
    s.quality = 1e300;
    EXPECT_EQ(LineStarting(OggSummaryText(s), "Ogg Quality"), "Ogg Quality: 2147483647");

    s.qualityBased = 0;
    s.channels = 2;
    EXPECT_EQ(OggSummaryText(s),
              "Format: Ogg-Vorbis\n\nEncoder Strategy: Bitrate Based\n\nMode: True VBR\n\nMinimum "
              "Bitrate: 64 kbps\n\nAverage Bitrate: 112 kbps\n\nMaximum Bitrate: 128 kbps\n\n"
              "Sampling Rate: 44100 Hz\n\nChannel Mode: Stereo\n\n");
    s.bitrateMode = 2;
    EXPECT_NE(
        OggSummaryText(s).find("Mode: Average Bitrate [ABR]\n\nBitrate: 112 kbps\n\nSampling"),
        std::string::npos);
    s.bitrateMode = 4;
    EXPECT_EQ(OggSummaryText(s), "");
}

TEST_F(ExportSummaryTest, WavWmaAndUnknownFormats) {
    WavSettings s;
    EXPECT_EQ(WavSummaryText(s),
              "Format: Microsoft WAV\n\nCompressed: No\n\nSampling Rate: 44100 Hz\n\nChannel Mode: "
              "Stereo\n\nSample Size: 16 bits/sample");
    s.compressorIndex = 2;
    s.SetCompressorName("IMA ADPCM");
    EXPECT_EQ(WavSummaryText(s),
              "Format: Microsoft WAV\n\nCompressed: Yes\n\nCompressor Name: IMA ADPCM");

    ProfileEnumerator codecs;
    ASSERT_TRUE(SettingsStore().WriteFormat(200));
    const std::string wma = BuildExportSummary(codecs);
    EXPECT_EQ(
        wma.rfind("Format: Windows Media Audio [WMA]\n\nBitrate Mode: CBR\n\nCodec Name: ", 0), 0u);
    EXPECT_NE(LineStarting(wma, "Codec Name: "), "Codec Name: ");
    EXPECT_GT(wma.substr(wma.rfind("Format: ")).size(), std::string("Format: ").size());
    WmaSettings beyond;
    beyond.codecIndex = 99;
    EXPECT_EQ(WmaSummaryText(beyond, codecs),
              "Format: Windows Media Audio [WMA]\n\nBitrate Mode: CBR\n\nCodec Name: \n\nFormat: ");

    ASSERT_TRUE(SettingsStore().WriteFormat(204));
    EXPECT_EQ(BuildExportSummary(codecs), "");
}

}  // namespace
}  // namespace tarnel::ui
