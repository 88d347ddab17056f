// tarnel-convert: the command-line front end. It reads the command line, answers --help,
// --version and bad usage itself, and hands any real work to the module libtarnel-cli.so
// (CliModule.h), so that those answers cost no more than starting a small program.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliModule.h"
#include "cli/CommandLine.h"
#include "cli/ConvertOptions.h"
#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

#ifndef TARNEL_VERSION_TEXT
#define TARNEL_VERSION_TEXT "unknown"
#endif
#ifndef TARNEL_CLI_MODULE_BUILD_PATH
#define TARNEL_CLI_MODULE_BUILD_PATH ""
#endif

namespace {

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "tarnel-convert: %s\nTry 'tarnel-convert --help'.\n", reason.c_str());
    return 2;
}

int PrintUsage() {
    std::fputs(tarnel::cli::ConvertUsageText().c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using tarnel::cli::CommandLine;
    const CommandLine line = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.command()) {
        case CommandLine::Command::Help:
            return PrintUsage();
        case CommandLine::Command::Version:
            std::printf("tarnel-convert %s\n", TARNEL_VERSION_TEXT);
            return 0;
        case CommandLine::Command::Convert: {
            // The conversion's own options are checked here too, so that a typo costs nothing.
            const tarnel::cli::ParsedOptions parsed =
                tarnel::cli::ParseConvertOptions(line.arguments());
            if (parsed.options.help || parsed.options.version) return PrintUsage();
            if (!parsed.error.empty()) return UsageError(parsed.error);
            [[fallthrough]];
        }
        case CommandLine::Command::DumpSettings:
        case CommandLine::Command::CheckUpdate: {
            tarnel::LazyModule module("libtarnel-cli.so", TARNEL_CLI_MODULE_BUILD_PATH,
                                      tarnel::cli::kModuleEntrySymbol);
            const auto* entries =
                tarnel::CheckedEntries<tarnel::cli::ModuleEntries>(module.Entries());
            if (!entries) return 1;  // the reason is on standard error
            return entries->run(argc, argv);
        }
        case CommandLine::Command::Invalid:
            break;
    }
    return UsageError(line.error());
}
