#include "cli/ConvertOptions.h"

#include <gtest/gtest.h>

namespace tarnel::cli {
namespace {

ParsedOptions Parse(std::vector<std::string> args) {
    return ParseConvertOptions(args);
}

TEST(ConvertOptions, ValuesInEveryForm) {
    ParsedOptions p = Parse({"--format", "mp3", "--naming=date", "-j3", "a.wav", "b.ogg"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.format, 201);
    EXPECT_EQ(p.options.naming, 1);
    EXPECT_EQ(p.options.jobs, 3);
    EXPECT_EQ(p.options.files, (std::vector<std::string>{"a.wav", "b.ogg"}));

    p = Parse({"--format=wma", "--naming", "source", "-j", "1", "--jobs=2", "x"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.format, 200);
    EXPECT_EQ(p.options.naming, 0);
    EXPECT_EQ(p.options.jobs, 2);  // the last one counts

    p = Parse({"--format", "ogg", "--list", "--quiet", "f"});
    EXPECT_EQ(p.options.format, 202);
    EXPECT_TRUE(p.options.list);
    EXPECT_TRUE(p.options.quiet);
    EXPECT_FALSE(p.options.jobs);
    EXPECT_EQ(Parse({"--format", "wav", "f"}).options.format, 203);
}

TEST(ConvertOptions, FilesAfterDoubleDashAndDashItself) {
    const ParsedOptions p = Parse({"-", "--", "--format", "-j2"});
    ASSERT_TRUE(p.error.empty());
    EXPECT_EQ(p.options.files, (std::vector<std::string>{"-", "--format", "-j2"}));
    EXPECT_FALSE(p.options.format);
}

TEST(ConvertOptions, BadUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--list"},
                                                                  {"--format", "flac", "a"},
                                                                  {"--format", "MP3", "a"},
                                                                  {"a", "--format"},
                                                                  {"--naming", "time", "a"},
                                                                  {"-j", "0", "a"},
                                                                  {"-j65", "a"},
                                                                  {"-j", "2x", "a"},
                                                                  {"-j", "-1", "a"},
                                                                  {"--formats", "a"},
                                                                  {"-x", "a"}}) {
        EXPECT_FALSE(Parse(args).error.empty()) << (args.empty() ? "(none)" : args[0]);
    }
    EXPECT_EQ(Parse({"-j", "64", "a"}).options.jobs, 64);
    // Help and version need no files.
    EXPECT_TRUE(Parse({"--help"}).error.empty());
    EXPECT_TRUE(Parse({"--version"}).error.empty());
}

}  // namespace
}  // namespace tarnel::cli
