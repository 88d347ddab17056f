#pragma once
// Command line of tarnel-convert:
//   tarnel-convert [options] FILE...
//   --format wma|mp3|ogg|wav   export format for this run (default: the stored "Format")
//   --naming source|date       output naming for this run (default: the stored "Naming Strategy")
//   -j N                       files converted in parallel (default: the number of cores)
//   --list                     probe only: path, format name or ERROR, seconds or the error text
//   --quiet                    no progress and no notices; errors still go to standard error
//   --session FILE.qzconv      convert the ticked, not yet converted files of a saved session
//   --save-session FILE.qzconv probe the FILEs and save them as a session, without converting
//   --help, --version
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnel::cli {

struct ConvertOptions {
    std::optional<int32_t> format;  // 200..203
    std::optional<int32_t> naming;  // 0 source, 1 date
    std::optional<int> jobs;        // >= 1
    bool list = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> session;      // --session: the files come from this session
    std::optional<std::string> saveSession;  // --save-session: save the files here instead
    std::vector<std::string> files;
};

struct ParsedOptions {
    ConvertOptions options;
    std::string error;  // non-empty: bad usage, the reason
};

// Parses the arguments after the program name. "--" ends the options.
ParsedOptions ParseConvertOptions(const std::vector<std::string>& args);

// The text of --help.
std::string ConvertUsageText();

// The most files converted at once, whatever -j asks for.
inline constexpr int kMaxJobs = 64;

}  // namespace tarnel::cli
