#pragma once
// What the workers of one tarnel-convert run share: the files still to hand out and, per
// worker, the file it converts and how far it got (read by the progress display).
// Thread-safe: every member is guarded by mutex_.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarnel::cli {

struct FileJob {
    size_t index = 0;  // position on the command line
    std::string path;
};

class BatchState {
public:
    BatchState(std::vector<FileJob> jobs, int workers);

    // The next file to convert, nothing when all are handed out or the batch was stopped.
    std::optional<FileJob> NextJob();
    // Hands out no more files.
    void Stop();
    bool Stopped() const;

    struct Slot {
        bool busy = false;
        std::string path;
        int percent = 0;
    };
    void BeginFile(int worker, const std::string& path);
    void SetPercent(int worker, int percent);
    void EndFile(int worker);
    std::vector<Slot> Slots() const;

private:
    mutable std::mutex mutex_;
    std::vector<FileJob> jobs_;
    size_t next_ = 0;
    bool stopped_ = false;
    std::vector<Slot> slots_;
};

}  // namespace tarnel::cli
