#include "cli/CommandLine.h"

#include <algorithm>

namespace tarnel::cli {

CommandLine CommandLine::Parse(std::vector<std::string> args) {
    CommandLine line;
    line.arguments_ = std::move(args);
    const auto& a = line.arguments_;
    // Options end at "--"; what follows is a file name even if it looks like an option.
    const auto optionsEnd = std::find(a.begin(), a.end(), std::string("--"));
    auto given = [&](std::initializer_list<const char*> names) {
        return std::any_of(a.begin(), optionsEnd, [&](const std::string& arg) {
            return std::any_of(names.begin(), names.end(),
                               [&](const char* name) { return arg == name; });
        });
    };
    if (given({"--help", "-h"})) {
        line.command_ = Command::Help;
    } else if (given({"--version"})) {
        line.command_ = Command::Version;
    } else if (given({"--dump-settings"})) {
        if (a.size() == 1) {
            line.command_ = Command::DumpSettings;
        } else {
            line.error_ = "--dump-settings takes no other arguments";
        }
    } else if (given({"--check-update"})) {
        if (a.size() == 1) {
            line.command_ = Command::CheckUpdate;
        } else {
            line.error_ = "--check-update takes no other arguments";
        }
    } else if (a.empty()) {
        line.error_ = "no files given";
    } else {
        line.command_ = Command::Convert;
    }
    return line;
}

std::string CommandLine::UsageText() {
    return "Usage: tarnel-convert [options] FILE...\n"
           "       tarnel-convert --dump-settings\n"
           "Converts audio files (WMA, MP3, Ogg Vorbis, WAV) with the settings of Tarnel Audio\n"
           "Converter. Each converted file is written beside its source.\n"
           "\n"
           "Options:\n"
           "  --dump-settings  fill in missing settings as the program does when it starts,\n"
           "                   then print every stored setting: name, type and data,\n"
           "                   separated by tabs, one per line, sorted by name\n"
           "  --help           show this text\n"
           "  --version        show the version\n"
           "\n"
           "The settings live in $XDG_CONFIG_HOME/tarnel-audio-converter/registry.sqlite\n"
           "(~/.config when XDG_CONFIG_HOME is not set).\n"
           "Exit status: 0 on success, 1 when the settings cannot be read, 2 for bad usage.\n";
}

}  // namespace tarnel::cli
