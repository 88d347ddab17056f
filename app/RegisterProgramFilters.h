#pragma once
// Makes every filter the program uses creatable in the process-wide filter registry: the system
// filter stand-ins, the installed audio compressors and the program's own filters. Run once at
// start, before any graph is built, by both programs.
namespace tarnel {

void RegisterProgramFilters();

}  // namespace tarnel
