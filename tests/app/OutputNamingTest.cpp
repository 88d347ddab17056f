#include "app/OutputNaming.h"

#include "engine/Converter.h"

#include <gtest/gtest.h>

namespace tarnel {
namespace {

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

const std::tm kAnyTime = Time(2026, 1, 2, 3, 4, 5);

TEST(OutputNaming, SourceFormatAndConvSuffix) {
    EXPECT_EQ(MakeOutputName("/music/song.wav", 0, kFormatMp3, kAnyTime),
              "/music/song-wav-conv.mp3");
    EXPECT_EQ(MakeOutputName("/music/song.MP3", 0, kFormatOgg, kAnyTime),
              "/music/song-MP3-conv.ogg");
    // Only the last dot of the last component starts the extension.
    EXPECT_EQ(MakeOutputName("/music/a.b.c.wma", 0, kFormatWav, kAnyTime),
              "/music/a.b.c-wma-conv.wav");
}

TEST(OutputNaming, SourceWithoutExtensionGivesDoubleHyphen) {
    EXPECT_EQ(MakeOutputName("/music/song", 0, kFormatMp3, kAnyTime), "/music/song--conv.mp3");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(MakeOutputName("/my.music/song", 0, kFormatWma, kAnyTime),
              "/my.music/song--conv.wma");
    // A name ending in a dot has an empty extension.
    EXPECT_EQ(MakeOutputName("/music/song.", 0, kFormatMp3, kAnyTime), "/music/song--conv.mp3");
}

TEST(OutputNaming, DateAndTimeWithDayBeforeMonth) {
    EXPECT_EQ(MakeOutputName("/music/song.wav", 1, kFormatMp3, Time(2026, 12, 6, 17, 5, 9)),
              "/music/song_2026-06-12_17h05m09s.mp3");
    EXPECT_EQ(MakeOutputName("/music/song", 1, kFormatOgg, Time(2027, 3, 25, 0, 0, 0)),
              "/music/song_2027-25-03_00h00m00s.ogg");
}

TEST(OutputNaming, UnknownStrategyOrFormat) {
    EXPECT_EQ(MakeOutputName("/music/song.wav", 2, kFormatMp3, kAnyTime), "");
    EXPECT_EQ(MakeOutputName("/music/song.wav", -1, kFormatMp3, kAnyTime), "");
    // An unknown export code gives no extension at all.
    EXPECT_EQ(MakeOutputName("/music/song.wav", 0, 205, kAnyTime), "/music/song-wav-conv");
}

TEST(OutputNaming, FormatCodes) {
    EXPECT_EQ(ExportExtension(200), ".wma");
    EXPECT_EQ(ExportExtension(201), ".mp3");
    EXPECT_EQ(ExportExtension(202), ".ogg");
    EXPECT_EQ(ExportExtension(203), ".wav");
    EXPECT_EQ(ExportExtension(199), "");
    EXPECT_EQ(ExportExtension(204), "");
    EXPECT_EQ(SourceFormatCode("WMA"), 200);
    EXPECT_EQ(SourceFormatCode("MP3"), 201);
    EXPECT_EQ(SourceFormatCode("OGG"), 202);
    EXPECT_EQ(SourceFormatCode("WAV"), 203);
    EXPECT_EQ(SourceFormatCode("wav"), 204);
    EXPECT_EQ(SourceFormatCode(""), 204);
}

}  // namespace
}  // namespace tarnel
