// tarnel-convert: the command-line front end. It reads the command line and hands over to the
// command asked for; the work itself lives in the libraries below cli/.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/CheckUpdateCommand.h"
#include "cli/CommandLine.h"
#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"
#include "cli/SettingsDump.h"
#include "settings/StartupPass.h"

#ifndef TARNEL_VERSION_TEXT
#define TARNEL_VERSION_TEXT "unknown"
#endif

namespace {

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "tarnel-convert: %s\nTry 'tarnel-convert --help'.\n", reason.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using tarnel::cli::CommandLine;
    const CommandLine line = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.command()) {
        case CommandLine::Command::Help:
            std::fputs(tarnel::cli::ConvertUsageText().c_str(), stdout);
            return 0;
        case CommandLine::Command::Version:
            std::printf("tarnel-convert %s\n", TARNEL_VERSION_TEXT);
            return 0;
        case CommandLine::Command::DumpSettings:
            // The pass the desktop program runs at start; no update check is started here.
            (void)tarnel::RunStartupPass(static_cast<int64_t>(std::time(nullptr)));
            return tarnel::cli::DumpSettings(stdout) ? 0 : 1;
        case CommandLine::Command::CheckUpdate:
            return tarnel::cli::RunCheckUpdate(stdout, stderr);
        case CommandLine::Command::Convert:
            return tarnel::cli::RunConvertCommand(argc, argv, line.arguments());
        case CommandLine::Command::Invalid:
            break;
    }
    return UsageError(line.error());
}
