// libtarnel-cli.so: the commands of tarnel-convert that touch settings, documents or codecs.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/CheckUpdateCommand.h"
#include "cli/CliModule.h"
#include "cli/CommandLine.h"
#include "cli/ConvertCommand.h"
#include "cli/SettingsDump.h"
#include "settings/StartupPass.h"

namespace tarnel::cli {
namespace {

int RunCommand(int argc, char** argv) {
    const CommandLine line = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.command()) {
        case CommandLine::Command::DumpSettings:
            // The pass the desktop program runs at start; no update check is started here.
            (void)RunStartupPass(static_cast<int64_t>(std::time(nullptr)));
            return DumpSettings(stdout) ? 0 : 1;
        case CommandLine::Command::CheckUpdate:
            return RunCheckUpdate(stdout, stderr);
        case CommandLine::Command::Convert:
            return RunConvertCommand(line.arguments());
        case CommandLine::Command::Help:
        case CommandLine::Command::Version:
        case CommandLine::Command::Invalid:
            break;  // answered by the front end
    }
    return 2;
}

}  // namespace
}  // namespace tarnel::cli

extern "C" __attribute__((visibility("default"))) const void* tarnel_cli_entries() {
    static const tarnel::cli::ModuleEntries entries{sizeof(tarnel::cli::ModuleEntries),
                                                    &tarnel::cli::RunCommand};
    return &entries;
}
