// How tarnel-convert classifies its arguments.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/SettingsDump.h"

namespace tarnel::cli {
namespace {

using Command = CommandLine::Command;

Command Of(std::vector<std::string> args) {
    return CommandLine::Parse(std::move(args)).command();
}

TEST(CommandLine, Commands) {
    EXPECT_EQ(Of({"--help"}), Command::Help);
    EXPECT_EQ(Of({"-h"}), Command::Help);
    EXPECT_EQ(Of({"--version"}), Command::Version);
    EXPECT_EQ(Of({"--dump-settings"}), Command::DumpSettings);
    EXPECT_EQ(Of({"a.wav"}), Command::Convert);
    EXPECT_EQ(Of({"--format", "mp3", "a.wav"}), Command::Convert);
    // Help and version win wherever they stand.
    EXPECT_EQ(Of({"a.wav", "--help"}), Command::Help);
    EXPECT_EQ(Of({"--dump-settings", "--version"}), Command::Version);
    // After "--" they are file names.
    EXPECT_EQ(Of({"--", "--help"}), Command::Convert);
    EXPECT_EQ(Of({"--", "--dump-settings"}), Command::Convert);
}

TEST(CommandLine, BadUsage) {
    const CommandLine none = CommandLine::Parse({});
    EXPECT_EQ(none.command(), Command::Invalid);
    EXPECT_FALSE(none.error().empty());
    const CommandLine extra = CommandLine::Parse({"--dump-settings", "a.wav"});
    EXPECT_EQ(extra.command(), Command::Invalid);
    EXPECT_NE(extra.error().find("--dump-settings"), std::string::npos);
}

TEST(CommandLine, ArgumentsPassThroughUnchanged) {
    const std::vector<std::string> args{"-j", "2", "--", "-odd name.wav"};
    EXPECT_EQ(CommandLine::Parse(args).arguments(), args);
}

TEST(SettingsDumpLine, EachTypeAsText) {
    using registry::RegistryValue;
    EXPECT_EQ(FormatValueLine("Format", RegistryValue{registry::REG_DWORD, {0xcb, 0, 0, 0}}),
              "Format\tREG_DWORD\t203");
    EXPECT_EQ(FormatValueLine("Big", RegistryValue{registry::REG_DWORD, {0xff, 0xff, 0xff, 0xff}}),
              "Big\tREG_DWORD\t4294967295");
    EXPECT_EQ(FormatValueLine("Rec", RegistryValue{registry::REG_BINARY, {0x00, 0xab, 0x0f}}),
              "Rec\tREG_BINARY\t00ab0f");
    EXPECT_EQ(FormatValueLine("Empty", RegistryValue{registry::REG_BINARY, {}}),
              "Empty\tREG_BINARY\t");
    EXPECT_EQ(FormatValueLine("Dir", RegistryValue{registry::REG_SZ, {'/', 'm', 0}}),
              "Dir\tREG_SZ\t/m");
    EXPECT_EQ(FormatValueLine("X", RegistryValue{registry::REG_EXPAND_SZ, {'$', 'H', 0, 'z'}}),
              "X\tREG_EXPAND_SZ\t$H");
    // Odd shapes and control characters never break the one-line-per-value form.
    EXPECT_EQ(FormatValueLine("Short", RegistryValue{registry::REG_DWORD, {1, 2}}),
              "Short\tREG_DWORD\t0102");
    EXPECT_EQ(FormatValueLine("a\tb", RegistryValue{registry::REG_SZ, {'x', '\n', 'y', 0}}),
              "a\\x09b\tREG_SZ\tx\\x0ay");
    EXPECT_EQ(FormatValueLine("N", RegistryValue{0, {1}}), "N\tREG_NONE\t01");
}

}  // namespace
}  // namespace tarnel::cli
