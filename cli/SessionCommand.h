#pragma once
// tarnel-convert and session files, through the same document code as the desktop program:
//   --save-session FILE.qzconv FILE...  probes the files and saves them as a session, every
//                                       file ticked and Idle, without converting;
//   --session FILE.qzconv               opens a saved session, adds its entries with the session
//                                       load loop, and picks the ticked ones not yet Converted
//                                       for the conversion.
// Both run on the main thread, each with a document on its own event loop.
#include <string>
#include <vector>

#include "cli/ConvertOptions.h"

namespace tarnel::cli {

// --save-session. Prints one line per file and what the document logged; returns the exit
// status: 0 when every file was saved, 1 when a file was refused or the session could not be
// written (a refused file leaves the others saved).
int RunSaveSession(const ConvertOptions& options);

struct SessionSelection {
    bool opened = false;             // false: the session could not be read (already reported)
    std::vector<std::string> files;  // ticked, not Converted, in the session's order
};

// --session. Prints what the load logged (notices unless `quiet`, errors always). The files are
// not probed here: the worker that converts a file probes it and reports a refusal.
SessionSelection SelectSessionFiles(const std::string& sessionFile, bool quiet);

}  // namespace tarnel::cli
