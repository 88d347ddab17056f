#include "cli/ConvertOptions.h"

#include <charconv>

namespace tarnel::cli {

namespace {

std::optional<int32_t> FormatCode(const std::string& name) {
    if (name == "wma") return 200;
    if (name == "mp3") return 201;
    if (name == "ogg") return 202;
    if (name == "wav") return 203;
    return std::nullopt;
}

std::optional<int32_t> NamingCode(const std::string& name) {
    if (name == "source") return 0;
    if (name == "date") return 1;
    return std::nullopt;
}

std::optional<int> JobCount(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 1 || value > kMaxJobs) return std::nullopt;
    return value;
}

}  // namespace

ParsedOptions ParseConvertOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    ConvertOptions& o = parsed.options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            o.files.push_back(arg);
            continue;
        }
        // The value of an option: "--opt=value", "-jN" or the next argument.
        auto value = [&](const std::string& name, std::string& out) -> bool {
            if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0) {
                out = arg.substr(name.size() + (arg[name.size()] == '=' ? 1 : 0));
                return true;
            }
            if (i + 1 >= args.size()) {
                parsed.error = "option " + name + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto is = [&](const std::string& name) {
            return arg == name || (arg.compare(0, name.size() + 1, name + "=") == 0);
        };
        std::string text;
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--list") {
            o.list = true;
        } else if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
        } else if (is("--format")) {
            if (!value("--format", text)) return parsed;
            o.format = FormatCode(text);
            if (!o.format) {
                parsed.error = "unknown format \"" + text + "\" (use wma, mp3, ogg or wav)";
                return parsed;
            }
        } else if (is("--naming")) {
            if (!value("--naming", text)) return parsed;
            o.naming = NamingCode(text);
            if (!o.naming) {
                parsed.error = "unknown naming \"" + text + "\" (use source or date)";
                return parsed;
            }
        } else if (arg.compare(0, 2, "-j") == 0 || is("--jobs")) {
            if (!value(arg.compare(0, 2, "-j") == 0 ? "-j" : "--jobs", text)) return parsed;
            o.jobs = JobCount(text);
            if (!o.jobs) {
                parsed.error = "-j needs a whole number from 1 to " + std::to_string(kMaxJobs) +
                               ", not \"" + text + "\"";
                return parsed;
            }
        } else if (is("--session") || is("--save-session")) {
            const std::string name = is("--session") ? "--session" : "--save-session";
            if (!value(name, text)) return parsed;
            if (text.empty()) {
                parsed.error = "option " + name + " needs a file name";
                return parsed;
            }
            (name == "--session" ? o.session : o.saveSession) = text;
        } else {
            parsed.error = "unknown option " + arg;
            return parsed;
        }
    }
    if (o.help || o.version) return parsed;
    if (o.session && o.saveSession) {
        parsed.error = "--session and --save-session cannot be used together";
    } else if (o.session && !o.files.empty()) {
        parsed.error = "--session takes its files from the session, not from the command line";
    } else if (o.saveSession && (o.list || o.format || o.naming || o.jobs)) {
        parsed.error =
            "--save-session only saves the files; --format, --naming, -j and --list "
            "do not apply";
    } else if (!o.session && o.files.empty()) {
        parsed.error = "no files given";
    }
    return parsed;
}

std::string ConvertUsageText() {
    return "Usage: tarnel-convert [options] FILE...\n"
           "       tarnel-convert [options] --session FILE.qzconv\n"
           "       tarnel-convert --save-session FILE.qzconv FILE...\n"
           "Converts audio files (WMA, MP3, Ogg Vorbis, WAV) with the settings of Tarnel Audio\n"
           "Converter. Each converted file is written beside its source.\n"
           "\n"
           "Options:\n"
           "  --format wma|mp3|ogg|wav  export format (default: the stored export format)\n"
           "  --naming source|date      output name: song-wav-conv.mp3 or\n"
           "                            song_YYYY-DD-MM_HHhMMmSSs.mp3 (default: the stored one)\n"
           "  -j N, --jobs N            files converted in parallel, 1 to " +
           std::to_string(kMaxJobs) +
           "\n"
           "                            (default: the number of cores)\n"
           "  --list                    only probe: path, format and duration in seconds\n"
           "  -q, --quiet               print errors only\n"
           "  --session FILE            convert the files of a saved session (.qzconv) that\n"
           "                            are ticked and not yet converted; no FILE arguments\n"
           "  --save-session FILE       probe the FILEs and save them as a session (.qzconv),\n"
           "                            all ticked and Idle, without converting\n"
           "  --dump-settings           fill in missing settings as the program does when it\n"
           "                            starts, then print every stored setting\n"
           "  --check-update            ask the update server now whether a newer version\n"
           "                            exists and print its download address\n"
           "  -h, --help                show this text\n"
           "  --version                 show the version\n"
           "\n"
           "An option's value may also follow '=' (--format=mp3) or, for -j, the letter (-j4);\n"
           "'--' ends the options.\n"
           "Options apply to this run only; the stored settings are not changed.\n"
           "Exit status: 0 when every file converted, 1 when any failed or was refused,\n"
           "2 for bad usage.\n";
}

}  // namespace tarnel::cli
