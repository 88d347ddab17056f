// The user's folders on a freedesktop system and the path-append rule.
#include <filesystem>
#include <fstream>

#include "platform/shell/UserFolders.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::shell {
namespace {

namespace fs = std::filesystem;

TEST(UserDirsFile, ReadsTheMusicFolderInBothAllowedForms) {
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"$HOME/Music\"\n", "/home/u"),
              "/home/u/Music");
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"/srv/music\"", "/home/u"), "/srv/music");
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"$HOME\"", "/home/u"), "/home/u");
    // Other entries, comments, blanks around the "=" and escapes.
    EXPECT_EQ(MusicFolderFromUserDirs("# written by xdg-user-dirs-update\n"
                                      "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                      "  XDG_MUSIC_DIR = \"$HOME/My \\\"Tunes\\\"\"\n"
                                      "XDG_VIDEOS_DIR=\"$HOME/Videos\"\n",
                                      "/home/u"),
              "/home/u/My \"Tunes\"");
    // A later line wins, as when a shell sources the file.
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"/a\"\nXDG_MUSIC_DIR=\"/b\"\n", "/h"), "/b");
}

TEST(UserDirsFile, IgnoresWhatTheFormatDoesNotAllow) {
    EXPECT_EQ(MusicFolderFromUserDirs("", "/h"), "");
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"Music\"", "/h"), "");     // relative
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=/srv/music", "/h"), "");    // unquoted
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"/srv/music", "/h"), "");  // unterminated
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"$HOMEX/m\"", "/h"), "");
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIRS=\"/m\"", "/h"), "");
    EXPECT_EQ(MusicFolderFromUserDirs("# XDG_MUSIC_DIR=\"/m\"", "/h"), "");
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"$HOME/m\"", ""), "");  // no home known
    // A bad line does not hide a good one before it.
    EXPECT_EQ(MusicFolderFromUserDirs("XDG_MUSIC_DIR=\"/good\"\nXDG_MUSIC_DIR=\"bad\"", "/h"),
              "/good");
}

class UserFolders : public test::IsolatedTest {};

TEST_F(UserFolders, HomeAndConfigComeFromTheEnvironment) {
    EXPECT_EQ(HomeFolder(), homeDir());
    EXPECT_EQ(ConfigFolder(), configDir());
    setEnv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ConfigFolder(), homeDir() / ".config");
    // A relative HOME is not trusted; the password database answers instead.
    setEnv("HOME", "relative");
    EXPECT_TRUE(HomeFolder().is_absolute());
}

TEST_F(UserFolders, MusicFolderPrefersTheUserDirsFile) {
    std::ofstream(configDir() / "user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/Musik\"\n";
    setEnv("XDG_MUSIC_DIR", (root() / "from-env").string());
    EXPECT_EQ(MusicFolder(false), homeDir() / "Musik");
    EXPECT_FALSE(fs::exists(homeDir() / "Musik"));
    EXPECT_EQ(MusicFolder(true), homeDir() / "Musik");
    EXPECT_TRUE(fs::is_directory(homeDir() / "Musik"));
}

TEST_F(UserFolders, MusicFolderFallsBackToTheEnvironmentThenHome) {
    setEnv("XDG_MUSIC_DIR", (root() / "from-env").string());
    EXPECT_EQ(MusicFolder(false), root() / "from-env");
    setEnv("XDG_MUSIC_DIR", std::nullopt);
    EXPECT_EQ(MusicFolder(true), homeDir() / "Music");
    EXPECT_TRUE(fs::is_directory(homeDir() / "Music"));
}

TEST_F(UserFolders, AMusicFolderThatCannotBeCreatedIsEmpty) {
    std::ofstream(homeDir() / "Music") << "a file in the way";
    EXPECT_EQ(MusicFolder(false), homeDir() / "Music");
    EXPECT_EQ(MusicFolder(true), fs::path());
}

TEST_F(UserFolders, TempFolderNeedsAnExistingAbsoluteFolder) {
    EXPECT_EQ(TempFolder(), root() / "tmp");
    setEnv("TMPDIR", (root() / "missing").string());
    EXPECT_EQ(TempFolder(), fs::path("/tmp"));
    setEnv("TMPDIR", "tmp");
    EXPECT_EQ(TempFolder(), fs::path("/tmp"));
    setEnv("TMPDIR", std::nullopt);
    EXPECT_EQ(TempFolder(), fs::path("/tmp"));
}

TEST(AppendPath, JoinsWithExactlyOneSeparator) {
    EXPECT_EQ(AppendPath("/home/u/Music", "Tarnel Audio"), "/home/u/Music/Tarnel Audio");
    EXPECT_EQ(AppendPath("/home/u/Music/", "Tarnel Audio"), "/home/u/Music/Tarnel Audio");
    EXPECT_EQ(AppendPath("/home/u/Music//", "/tarnelaudio"), "/home/u/Music/tarnelaudio");
    EXPECT_EQ(AppendPath("/", "x"), "/x");
    EXPECT_EQ(AppendPath("", "x"), "x");
    EXPECT_EQ(AppendPath("/a", ""), "/a");
}

}  // namespace
}  // namespace tarnel::shell
