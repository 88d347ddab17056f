#include "platform/shell/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace tarnel::shell {

namespace fs = std::filesystem;

namespace {

std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return value;
}

std::string ReadSmallFile(const fs::path& path) {
    // The user-dirs file is a handful of lines; anything much larger is not one.
    constexpr std::streamsize kLimit = 64 * 1024;
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(static_cast<size_t>(kLimit), '\0');
    in.read(text.data(), kLimit);
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// Parses the quoted value of one assignment line, `"$HOME/..."` or `"/..."`, with backslash
// escapes; empty when the value is not of that form.
std::string ParseQuotedPath(std::string_view rest, std::string_view home) {
    if (rest.empty() || rest.front() != '"') return {};
    rest.remove_prefix(1);
    std::string result;
    constexpr std::string_view kHome = "$HOME";
    if (rest.substr(0, kHome.size()) == kHome &&
        (rest.size() == kHome.size() || rest[kHome.size()] == '/' || rest[kHome.size()] == '"')) {
        if (home.empty()) return {};
        result = home;
        rest.remove_prefix(kHome.size());
    } else if (rest.empty() || rest.front() != '/') {
        return {};
    }
    for (size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '"') return result;
        if (c == '\\') {
            if (++i == rest.size()) return {};
            c = rest[i];
        }
        result += c;
    }
    return {};  // no closing quote
}

}  // namespace

fs::path HomeFolder() {
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty()) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

fs::path ConfigFolder() {
    std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (!config.empty()) return config;
    const fs::path home = HomeFolder();
    if (home.empty()) return {};
    return home / ".config";
}

std::string MusicFolderFromUserDirs(std::string_view fileText, std::string_view home) {
    constexpr std::string_view kName = "XDG_MUSIC_DIR";
    std::string found;
    std::istringstream lines{std::string(fileText)};
    std::string line;
    while (std::getline(lines, line)) {
        std::string_view view = line;
        while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
            view.remove_prefix(1);
        }
        if (view.substr(0, kName.size()) != kName) continue;
        view.remove_prefix(kName.size());
        while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
            view.remove_prefix(1);
        }
        if (view.empty() || view.front() != '=') continue;
        view.remove_prefix(1);
        while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
            view.remove_prefix(1);
        }
        // The file is sourced by shells: a later assignment wins.
        std::string value = ParseQuotedPath(view, home);
        if (!value.empty()) found = std::move(value);
    }
    return found;
}

fs::path MusicFolder(bool create) {
    const fs::path home = HomeFolder();
    std::string music;
    const fs::path config = ConfigFolder();
    if (!config.empty()) {
        music = MusicFolderFromUserDirs(ReadSmallFile(config / "user-dirs.dirs"), home.string());
    }
    if (music.empty()) music = AbsoluteEnv("XDG_MUSIC_DIR");
    if (music.empty() && !home.empty()) music = (home / "Music").string();
    if (music.empty()) return {};
    if (create) {
        std::error_code ec;
        fs::create_directories(music, ec);
        if (!fs::is_directory(music, ec)) return {};
    }
    return music;
}

fs::path TempFolder() {
    const std::string temp = AbsoluteEnv("TMPDIR");
    std::error_code ec;
    if (!temp.empty() && fs::is_directory(temp, ec)) return temp;
    return "/tmp";
}

std::string AppendPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    std::string result(folder);
    if (name.empty()) return result;
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    if (result.back() != '/') result += '/';
    result += name;
    return result;
}

}  // namespace tarnel::shell
