#pragma once
#include <cstdio>

namespace tarnel::cli {

// Asks the update server at once, whatever "Last Checked" says, and prints the download address
// or that the program is up to date. Writes nothing to the settings. Returns the exit status:
// 0 when the server answered, 1 when the request failed or the answer made no sense.
int RunCheckUpdate(std::FILE* out, std::FILE* err);

}  // namespace tarnel::cli
