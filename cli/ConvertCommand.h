#pragma once
// tarnel-convert: converts the files named on the command line through the same document code
// as the desktop program. Returns the exit status: 0 when every file converted, 1 when any
// failed or was refused, 2 for bad usage.
#include <string>
#include <vector>

namespace tarnel::cli {

// `args` are the arguments after the program name.
int RunConvertCommand(const std::vector<std::string>& args);

}  // namespace tarnel::cli
