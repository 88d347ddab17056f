#pragma once
// One worker of tarnel-convert: a thread with its own event loop and its own document (so its
// own Converter and private temporary folder). It takes files from the batch one at a time and
// puts each through the document exactly as the desktop program does: AddFile (duplicate test
// and probing), CheckEntry, the Convert command, and the run's completion, naming and delivery;
// then it removes the entry again. The document's host, frame and view are this worker, which
// collects the log records of the file and reports one outcome per file.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/CvemoraDoc.h"
#include "app/DocumentFrame.h"
#include "app/DocumentHost.h"
#include "app/DocumentView.h"
#include "app/LogRecord.h"
#include "cli/BatchState.h"
#include "cli/ThreadLoop.h"

namespace tarnel::cli {

enum class OutcomeKind {
    Converted,  // delivered to `output`
    Failed,     // the conversion failed
    Refused,    // not accepted into the list (unsupported, unreadable, a folder)
    Cancelled,  // interrupted
    Skipped,    // the same path came earlier on the command line
    Probed,     // --list: format and duration known
};

struct FileOutcome {
    OutcomeKind kind = OutcomeKind::Failed;
    std::string source;
    std::string output;
    std::string format;
    double duration = -1.0;
    std::vector<LogRecord> records;  // what the document logged for this file, in order
};

struct WorkerSettings {
    std::optional<int32_t> format;  // export format for this run only
    std::optional<int32_t> naming;
    bool listOnly = false;
    ProbeFunction probe;  // empty: the engine's probes
    // Makes the document's conversion engine; empty: the engine's Converter.
    std::function<std::unique_ptr<ConversionEngine>()> engineFactory;
};

class ConversionWorker : private DocumentHost, private DocumentFrame, private DocumentView {
public:
    using Publish = std::function<void(size_t index, FileOutcome outcome)>;

    ConversionWorker(int id, BatchState& batch, WorkerSettings settings, Publish publish);
    ~ConversionWorker() override;

    // The body of the worker's thread: returns when the batch has no more files.
    void Run();
    // From any thread: cancels the file in progress; the batch must be stopped too.
    void Interrupt();

private:
    FileOutcome Handle(CvemoraDoc& doc, const FileJob& job);
    void WaitForRunEnd(CvemoraDoc& doc);

    // DocumentHost
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::vector<std::string>> ChooseFilesToOpen(const OpenFilesRequest&) override {
        return std::nullopt;
    }
    void SetWaitCursor(bool) override {}
    void RepaintMainWindow() override {}
    void PlaySoundAlert(int) override {}
    ExportDialogResult RunExportConfiguration() override { return {}; }
    bool RunGeneralConfiguration() override { return false; }
    // DocumentFrame
    CommandFlags& Flags() override { return flags_; }
    void OnConversionProgress(int fileNumber, int fileCount) override;
    void OnGeneralSettingsChanged() override {}
    // DocumentView
    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;

    const int id_;
    BatchState& batch_;
    WorkerSettings settings_;
    Publish publish_;

    // Worker thread only.
    CommandFlags flags_;
    CvemoraDoc* doc_ = nullptr;
    bool inRun_ = false;  // WaitForRunEnd runs the loop until the run ends
    bool runEnded_ = false;
    bool streamingFailed_ = false;
    std::vector<LogRecord> records_;

    // The loop of the worker's thread while it runs; reached from others under loopMutex_.
    std::mutex loopMutex_;
    std::shared_ptr<ThreadLoop> loop_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace tarnel::cli
