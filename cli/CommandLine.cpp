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

}  // namespace tarnel::cli
