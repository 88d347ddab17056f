#include <gtest/gtest.h>

#include "filters/oggsplitter/OggComments.h"

namespace tarnel {
namespace {

TEST(ChapterTime, ReadsHoursMinutesSecondsAndFractions) {
    EXPECT_EQ(ParseChapterTime("00:01:30.500"), 905'000'000);
    EXPECT_EQ(ParseChapterTime("1:02:03"), (3600 + 120 + 3) * INT64_C(10'000'000));
    EXPECT_EQ(ParseChapterTime("02:03.25"), (123 * INT64_C(10'000'000)) + 2'500'000);
    EXPECT_EQ(ParseChapterTime("42"), 420'000'000);
    EXPECT_EQ(ParseChapterTime("0.0000001"), 1);
    EXPECT_EQ(ParseChapterTime(""), 0);
    EXPECT_EQ(ParseChapterTime("1:2:3:4"), 0);
    EXPECT_EQ(ParseChapterTime("ab:cd"), 0);
    EXPECT_EQ(ParseChapterTime("1:-2"), 0);
    EXPECT_EQ(ParseChapterTime("99999999999999999999"), 0);
}

TEST(ChapterTime, EntriesShowTheTimeThenTheName) {
    EXPECT_EQ(FormatChapterEntry({"Intro", 905'000'000}), "00:01:30.500 Intro");
    EXPECT_EQ(FormatChapterEntry({"Late", (3600 * 2 + 5) * INT64_C(10'000'000) + 70'000}),
              "02:00:05.007 Late");
}

TEST(ChapterTime, ChaptersRunWhileNumbered) {
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "CHAPTER01", "00:00:00.000");
    vorbis_comment_add_tag(&comment, "CHAPTER01NAME", "A name longer than thirty-two characters!");
    vorbis_comment_add_tag(&comment, "CHAPTER02", "00:01:30.500");
    vorbis_comment_add_tag(&comment, "CHAPTER04", "00:03:00");  // after a gap: not read
    auto chapters = ChaptersFromComment(&comment);
    vorbis_comment_clear(&comment);
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].name, "A name longer than thirty-two ch");
    EXPECT_EQ(chapters[1].name, "Chapter 2");
    EXPECT_EQ(chapters[1].time, 905'000'000);
}

TEST(Language, NamesMapToPrimaryLanguageIds) {
    EXPECT_EQ(LanguageIdForName("off"), 9u);
    EXPECT_EQ(LanguageIdForName("german"), 0x07u);
    EXPECT_EQ(LanguageIdForName("English"), 0x09u);
    EXPECT_EQ(LanguageIdForName("Fre"), 0x0Cu);
    EXPECT_EQ(LanguageIdForName("Swedish (Finland)"), 0x1Du);
    EXPECT_EQ(LanguageIdForName("Klingon"), 0u);
    EXPECT_EQ(LanguageIdForName(""), 0u);
}

}  // namespace
}  // namespace tarnel
