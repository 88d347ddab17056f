#include "cli/SessionCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/CvemoraDoc.h"
#include "app/DocumentFrame.h"
#include "app/DocumentHost.h"
#include "app/DocumentView.h"
#include "app/SessionTickingView.h"
#include "cli/ThreadLoop.h"

namespace tarnel::cli {

namespace {

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void PrintError(const std::string& text, int32_t errorNumber = -1) {
    std::fflush(stdout);
    if (errorNumber != -1) {
        std::fprintf(stderr, "tarnel-convert: error: %s (Error code: %d)\n", OneLine(text).c_str(),
                     errorNumber);
    } else {
        std::fprintf(stderr, "tarnel-convert: error: %s\n", OneLine(text).c_str());
    }
    std::fflush(stderr);
}

// The document's host, main frame and log window on a terminal: message boxes and log records
// become lines. Selection notices speak of the list, which is not shown here.
class SessionConsole : public DocumentHost, public DocumentFrame, public DocumentView {
public:
    explicit SessionConsole(bool quiet) : quiet_(quiet) {}

    bool ShownMessage() const { return shownMessage_; }

    // DocumentHost
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        shownMessage_ = true;
        if (icon == MessageIcon::Error) {
            PrintError(text);
        } else if (!quiet_) {
            std::printf("notice: %s\n", OneLine(text).c_str());
        }
    }
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
    void OnConversionProgress(int, int) override {}
    void OnGeneralSettingsChanged() override {}
    // DocumentView: the log window's part.
    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument&) override {
        if (hint != HINT_LOG) return;
        LogRecord record;
        if (!doc.TakeLogRecord(record) || record.text.empty()) return;
        if (record.code == LOG_SELECTION) return;
        if (record.isError) {
            PrintError(record.text, record.errorNumber);
        } else if (!quiet_) {
            std::printf("notice: %s\n", record.text.c_str());
        }
    }

private:
    const bool quiet_;
    bool shownMessage_ = false;
    CommandFlags flags_;
};

// The session's files are probed by the worker that converts them; probing them here as well
// would read every file twice. Every path is accepted, so the load only applies the stored
// ticks and statuses and the duplicate rule.
std::optional<ProbeOutcome> DeferredProbe(const std::string&) {
    return ProbeOutcome{};
}

}  // namespace

int RunSaveSession(const ConvertOptions& options) {
    SessionConsole console(options.quiet);
    CvemoraDoc doc(std::make_shared<ThreadLoop>(), console);
    doc.AttachFrame(&console);
    doc.AddView(&console);
    SessionTickingView rows(doc);
    rows.SetRowTickMode(RowTickMode::Tick);  // every saved file ticked

    size_t listed = 0;
    bool refused = false;
    for (const std::string& given : options.files) {
        // A session holds full paths, so it means the same files from any working folder.
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(given, ec);
        const std::string path = ec ? given : absolute.string();
        if (std::filesystem::is_directory(path, ec)) {
            PrintError("\"" + path + "\" is a folder, not an audio file.");
            if (!options.quiet) std::printf("refused: %s\n", path.c_str());
            refused = true;
            continue;
        }
        const bool duplicate = doc.FindEntry(path) != nullptr;
        if (doc.AddFile(path, FileStatus::Idle)) {
            ++listed;
            const AudioDataPtr entry = doc.FindEntry(path);
            if (!options.quiet) {
                std::printf("added: %s (%s, %.3f s)\n", path.c_str(), entry->format.c_str(),
                            entry->duration);
            }
        } else if (duplicate) {
            if (!options.quiet) std::printf("skipped: %s\n", path.c_str());
        } else {
            if (!options.quiet) std::printf("refused: %s\n", path.c_str());
            refused = true;
        }
        std::fflush(stdout);
    }

    const bool saved = doc.SaveSession(*options.saveSession);
    doc.RemoveView(&console);
    doc.AttachFrame(nullptr);
    if (!saved) return 1;
    if (!options.quiet) {
        std::printf("saved %zu file(s) to %s\n", listed, options.saveSession->c_str());
        std::fflush(stdout);
    }
    return refused ? 1 : 0;
}

SessionSelection SelectSessionFiles(const std::string& sessionFile, bool quiet) {
    SessionSelection selection;
    SessionConsole console(quiet);
    CvemoraDoc doc(std::make_shared<ThreadLoop>(), console, DeferredProbe);
    doc.AttachFrame(&console);
    doc.AddView(&console);
    SessionTickingView rows(doc);

    selection.opened = doc.OpenSession(sessionFile);
    if (!selection.opened && !console.ShownMessage()) {
        // A compound file without the session stream; the document reports nothing for it.
        PrintError("\"" + sessionFile + "\" holds no conversion session.");
    }
    // WM_LOAD_PENDING is queued on this thread: dispatching it runs the load loop. A second
    // loop would find nothing left, so running it here as well, should the dispatch not have
    // reached it, is harmless.
    doc.Pump(0);
    if (rows.LoadsRun() == 0) rows.OnLoadPending();
    if (selection.opened) {
        for (const AudioDataPtr& entry : doc.CheckedEntries()) {
            if (entry->status != FileStatus::Converted) selection.files.push_back(entry->path);
        }
    }
    doc.RemoveView(&console);
    doc.AttachFrame(nullptr);
    return selection;
}

}  // namespace tarnel::cli
