#include "cli/BatchReport.h"

#include <algorithm>
#include <string>

namespace tarnel::cli {

namespace {

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

BatchReport::BatchReport(size_t fileCount, bool listMode, bool quiet, bool progressLine)
    : outcomes_(fileCount), listMode_(listMode), quiet_(quiet), progressLine_(progressLine) {}

void BatchReport::Add(size_t index, FileOutcome outcome) {
    if (index >= outcomes_.size() || outcomes_[index]) return;
    const bool ok =
        listMode_ ? !outcome.format.empty()
                  : outcome.kind == OutcomeKind::Converted || outcome.kind == OutcomeKind::Skipped;
    if (!listMode_ && outcome.kind == OutcomeKind::Converted) ++converted_;
    if (!ok) ++problems_;
    ++done_;
    outcomes_[index] = std::move(outcome);
    if (nextToPrint_ < outcomes_.size() && outcomes_[nextToPrint_]) ClearProgress();
    while (nextToPrint_ < outcomes_.size() && outcomes_[nextToPrint_]) {
        Print(*outcomes_[nextToPrint_]);
        outcomes_[nextToPrint_]->records.clear();
        ++nextToPrint_;
    }
    std::fflush(stdout);
}

void BatchReport::Print(const FileOutcome& outcome) {
    if (listMode_) {
        if (!outcome.format.empty()) {
            std::printf("%s\t%s\t%.3f\n", outcome.source.c_str(), outcome.format.c_str(),
                        outcome.duration);
        } else {
            std::string reason = "not a supported audio file";
            for (const auto& record : outcome.records) {
                if (record.isError && !record.text.empty()) {
                    reason = OneLine(record.text);
                    break;
                }
            }
            std::printf("%s\tERROR\t%s\n", outcome.source.c_str(), reason.c_str());
        }
        return;
    }
    for (const auto& record : outcome.records) {
        if (record.text.empty()) continue;
        if (record.isError) {
            std::fflush(stdout);
            if (record.errorNumber != -1) {
                std::fprintf(stderr, "tarnel-convert: error: %s (Error code: %d)\n",
                             record.text.c_str(), record.errorNumber);
            } else {
                std::fprintf(stderr, "tarnel-convert: error: %s\n", record.text.c_str());
            }
            std::fflush(stderr);
        } else if (!quiet_) {
            std::printf("notice: %s\n", record.text.c_str());
        }
    }
    if (quiet_) return;
    switch (outcome.kind) {
        case OutcomeKind::Converted:
            std::printf("converted: %s -> %s\n", outcome.source.c_str(), outcome.output.c_str());
            break;
        case OutcomeKind::Failed:
            std::printf("failed: %s\n", outcome.source.c_str());
            break;
        case OutcomeKind::Refused:
            std::printf("refused: %s\n", outcome.source.c_str());
            break;
        case OutcomeKind::Cancelled:
            std::printf("cancelled: %s\n", outcome.source.c_str());
            break;
        case OutcomeKind::Skipped:
            std::printf("skipped: %s\n", outcome.source.c_str());
            break;
        case OutcomeKind::Probed:
            break;
    }
}

void BatchReport::ClearProgress() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown_ = false;
}

void BatchReport::DrawProgress(const BatchState& batch) {
    if (!progressLine_ || outcomes_.empty()) return;
    const auto workers = batch.Slots();
    double fraction = static_cast<double>(done_);
    std::string current;
    for (const auto& slot : workers) {
        if (!slot.busy) continue;
        fraction += slot.percent / 100.0;
        std::string name = FileName(slot.path);
        if (name.size() > 24) name = name.substr(0, 21) + "...";
        current += "  " + name + " " + std::to_string(slot.percent) + "%";
    }
    fraction /= static_cast<double>(outcomes_.size());
    constexpr int kWidth = 24;
    const int filled = std::clamp(static_cast<int>(fraction * kWidth), 0, kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r\033[K[%s] %3d%% %zu/%zu%s", bar.c_str(),
                 static_cast<int>(fraction * 100.0), done_, outcomes_.size(), current.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void BatchReport::Finish() {
    ClearProgress();
    if (quiet_ || listMode_) return;
    std::printf("%zu of %zu file(s) converted\n", converted_, outcomes_.size());
    std::fflush(stdout);
}

}  // namespace tarnel::cli
