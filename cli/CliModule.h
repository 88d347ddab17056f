#pragma once
// The work of tarnel-convert lives in the module libtarnel-cli.so, opened by the small front end
// (main.cpp) only once it knows there is work to do: --help, --version and bad usage are
// answered before Qt, the settings store or any codec library is loaded.
#include <cstdint>

namespace tarnel::cli {

struct ModuleEntries {
    // sizeof(ModuleEntries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    // Runs the command of a well-formed command line (settings dump, update check or
    // conversion) and returns the program's exit status.
    int (*run)(int argc, char** argv);
};

// The module's one exported symbol: extern "C" const void* tarnel_cli_entries().
inline constexpr const char* kModuleEntrySymbol = "tarnel_cli_entries";

}  // namespace tarnel::cli
