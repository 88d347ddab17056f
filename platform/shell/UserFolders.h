#pragma once
// Where the current user's files live on a freedesktop system: the home folder, the
// configuration folder, the music folder and the temporary folder. Every call reads the
// environment afresh (nothing is cached), so a test that points HOME or XDG_CONFIG_HOME elsewhere
// sees the change at once. Thread-safe as far as the environment is not changed concurrently.
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnel::shell {

// $HOME when it is an absolute path, else the home folder of the password database; empty when
// neither is known.
std::filesystem::path HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; empty without a home folder.
std::filesystem::path ConfigFolder();

// The XDG music folder: XDG_MUSIC_DIR from the user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs),
// else from the environment, else ~/Music. With `create` the folder (and its parents) is created
// when missing, and a folder that cannot be created gives an empty path, as does a missing home.
std::filesystem::path MusicFolder(bool create);

// The value of XDG_MUSIC_DIR in the text of a user-dirs file, with "$HOME" replaced by `home`;
// empty when the file does not set it or sets it in a form the format does not allow.
std::string MusicFolderFromUserDirs(std::string_view fileText, std::string_view home);

// $TMPDIR when it is an absolute path naming a folder, else /tmp.
std::filesystem::path TempFolder();

// Joins a folder and a name with exactly one "/" between them (the shell's path-append rule):
// separators at the end of `folder` and at the start of `name` are merged. An empty folder gives
// the name unchanged and an empty name the folder unchanged.
std::string AppendPath(std::string_view folder, std::string_view name);

}  // namespace tarnel::shell
