#pragma once
// The command line of tarnel-convert, read into what the program is asked to do:
//   tarnel-convert --help | --version | --dump-settings | --check-update
//   tarnel-convert [options] FILE...   (conversion; its options are read by that command)
// Parsing only classifies the arguments; it touches no settings and no files.
#include <string>
#include <vector>

namespace tarnel::cli {

class CommandLine {
public:
    enum class Command {
        Help,          // --help, -h
        Version,       // --version
        DumpSettings,  // --dump-settings: the start-up pass, then every stored value
        CheckUpdate,   // --check-update: ask the update server now
        Convert,       // anything else: the arguments go to the conversion
        Invalid,       // bad usage; error() says why
    };

    // Reads the arguments after the program name. --help and --version win over everything
    // else; --dump-settings and --check-update take no other argument; with no argument at all
    // there is nothing to do, which is bad usage.
    static CommandLine Parse(std::vector<std::string> args);

    Command command() const { return command_; }
    const std::string& error() const { return error_; }
    // The arguments as given, for the conversion to read.
    const std::vector<std::string>& arguments() const { return arguments_; }

private:
    Command command_ = Command::Invalid;
    std::string error_;
    std::vector<std::string> arguments_;
};

}  // namespace tarnel::cli
