#pragma once
// Prints the outcomes of a tarnel-convert run in command-line order, whatever order the workers
// finish in, so the report of -j 2 reads like the report of -j 1. On a terminal it also keeps a
// live progress line on standard error for the files in work and the whole batch.
// Main thread only.
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/BatchState.h"
#include "cli/ConversionWorker.h"

namespace tarnel::cli {

class BatchReport {
public:
    BatchReport(size_t fileCount, bool listMode, bool quiet, bool progressLine);

    // Takes the outcome of one file and prints every outcome that is now next in order.
    void Add(size_t index, FileOutcome outcome);
    // Redraws the progress line (only when it is enabled).
    void DrawProgress(const BatchState& batch);
    // Clears the progress line and prints the closing summary.
    void Finish();

    bool AllDone() const { return done_ == outcomes_.size(); }
    // 0 when every file converted (or, listing, probed); 1 otherwise.
    int ExitStatus() const { return problems_ == 0 ? 0 : 1; }

private:
    void Print(const FileOutcome& outcome);
    void ClearProgress();

    std::vector<std::optional<FileOutcome>> outcomes_;
    size_t nextToPrint_ = 0;
    size_t done_ = 0;
    size_t converted_ = 0;
    size_t problems_ = 0;
    const bool listMode_;
    const bool quiet_;
    const bool progressLine_;
    bool progressShown_ = false;
};

}  // namespace tarnel::cli
