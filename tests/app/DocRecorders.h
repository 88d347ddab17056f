#pragma once
// Test doubles around the document: a host and a frame that record what the document asked of
// them, a view that records every hint (and takes log records the way the log window does),
// and a scripted conversion engine that writes its output file and reports completion when the
// test says so.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ConversionEngine.h"
#include "app/CvemoraDoc.h"
#include "app/DocumentFrame.h"
#include "app/DocumentHost.h"
#include "app/DocumentView.h"

namespace tarnel::test {

class RecordingHost : public DocumentHost {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
    };
    std::vector<Message> messages;
    std::vector<OpenFilesRequest> dialogRequests;
    std::optional<std::vector<std::string>> dialogAnswer;
    int waitCursorDepth = 0;
    int waitCursorShown = 0;
    int repaints = 0;
    std::vector<int> sounds;
    ExportDialogResult exportAnswer;
    bool generalAnswer = false;
    std::function<void(const std::string&)> onMessage;

    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
        if (onMessage) onMessage(text);
    }
    std::optional<std::vector<std::string>> ChooseFilesToOpen(
        const OpenFilesRequest& request) override {
        dialogRequests.push_back(request);
        return dialogAnswer;
    }
    void SetWaitCursor(bool on) override {
        waitCursorDepth += on ? 1 : -1;
        if (on) ++waitCursorShown;
    }
    void RepaintMainWindow() override { ++repaints; }
    void PlaySoundAlert(int soundId) override { sounds.push_back(soundId); }
    ExportDialogResult RunExportConfiguration() override { return exportAnswer; }
    bool RunGeneralConfiguration() override { return generalAnswer; }
};

class RecordingFrame : public DocumentFrame {
public:
    CommandFlags flags;
    std::vector<std::pair<int, int>> progress;  // WM_CONVERSION_PROGRESS in arrival order
    int settingsChanged = 0;
    std::function<void(int, int)> onProgress;

    CommandFlags& Flags() override { return flags; }
    void OnConversionProgress(int fileNumber, int fileCount) override {
        progress.emplace_back(fileNumber, fileCount);
        if (onProgress) onProgress(fileNumber, fileCount);
    }
    void OnGeneralSettingsChanged() override { ++settingsChanged; }
};

// One hint as the view saw it, with the entry's status at that moment.
struct SeenHint {
    UpdateHint hint;
    std::string path;
    FileStatus status = FileStatus::NoStatus;
    int32_t progress = 0;
    int32_t marker = 0;
};

class RecordingView : public DocumentView {
public:
    std::vector<SeenHint> hints;
    std::vector<LogRecord> log;  // records taken on HINT_LOG, in order
    // Ticks every added entry, as the list view does with "Check items when added".
    bool tickWhenAdded = false;

    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override {
        SeenHint seen;
        seen.hint = hint;
        if (argument.entry) {
            seen.path = argument.entry->path;
            seen.status = argument.entry->status;
            seen.progress = argument.entry->progress;
        }
        seen.marker = argument.marker;
        hints.push_back(seen);
        if (hint == HINT_LOG) {
            LogRecord record;
            if (doc.TakeLogRecord(record)) log.push_back(record);
        }
        if (hint == HINT_ENTRY_ADDED && tickWhenAdded) doc.CheckEntry(argument.entry->path);
    }

    std::vector<std::string> LogTexts() const {
        std::vector<std::string> texts;
        for (const auto& r : log) texts.push_back(r.text);
        return texts;
    }
    // The status hints for one path, in order.
    std::vector<FileStatus> StatusesOf(const std::string& path) const {
        std::vector<FileStatus> statuses;
        for (const auto& h : hints) {
            if (h.hint == HINT_ENTRY_STATUS && h.path == path) statuses.push_back(h.status);
        }
        return statuses;
    }
    void Clear() {
        hints.clear();
        log.clear();
    }
};

// A conversion engine that does what the test scripts. Run writes `output` (or the bytes the
// test set for the source) to the destination; Complete/Abort queue an event and call the
// notify callback from a separate thread, as a streaming thread would.
class ScriptedEngine : public ConversionEngine {
public:
    struct Shared {
        std::vector<std::string> calls;
        std::map<std::string, int32_t> buildResults;        // by source path; default 0
        std::map<std::string, int32_t> runResults;          // by source path; default 0
        std::map<std::string, std::string> outputBySource;  // bytes written by Run
        std::string defaultOutput = "converted audio";
        int32_t exportFormat = 0;
        int32_t sampleRate = 0, channels = 0, bitsPerSample = 0;
        int32_t wmaCodec = -1, wmaFormat = -1;
        uint8_t wmaVbr = 0;
        std::string sourcePath, destinationPath;
        int32_t sourceFormat = 0;
        double duration = -1.0;
        int32_t progress = 0;
        bool graph = false;
        int builds = 0;
        std::mutex mutex;
        std::deque<GraphEvent> events;  // guarded by mutex
        std::function<void()> notify;
    };

    explicit ScriptedEngine(std::shared_ptr<Shared> shared) : s_(std::move(shared)) {}

    void SetExportFormat(int32_t format) override {
        s_->calls.push_back("SetExportFormat " + std::to_string(format));
        s_->exportFormat = format;
    }
    void SetWmaChoice(int32_t codec, int32_t format, uint8_t vbr) override {
        s_->calls.push_back("SetWmaChoice");
        s_->wmaCodec = codec;
        s_->wmaFormat = format;
        s_->wmaVbr = vbr;
    }
    void SetTargetPcm(int32_t rate, int32_t channels, int32_t bits) override {
        s_->calls.push_back("SetTargetPcm");
        s_->sampleRate = rate;
        s_->channels = channels;
        s_->bitsPerSample = bits;
    }
    void Prepare(const std::string& source, const std::string& destination, int32_t sourceFormat,
                 std::function<void()> notify) override {
        s_->calls.push_back("Prepare " + source);
        s_->sourcePath = source;
        s_->destinationPath = destination;
        s_->sourceFormat = sourceFormat;
        s_->notify = std::move(notify);
    }
    int32_t BuildGraph() override {
        s_->calls.push_back("BuildGraph");
        s_->duration = -1.0;
        ++s_->builds;
        s_->graph = true;
        auto it = s_->buildResults.find(s_->sourcePath);
        return it == s_->buildResults.end() ? 0 : it->second;
    }
    double DurationSeconds() const override { return s_->duration; }
    void SetDurationSeconds(double seconds) override { s_->duration = seconds; }
    int32_t Run() override {
        s_->calls.push_back("Run");
        auto it = s_->outputBySource.find(s_->sourcePath);
        const std::string& bytes = it == s_->outputBySource.end() ? s_->defaultOutput : it->second;
        std::FILE* f = std::fopen(s_->destinationPath.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        auto result = s_->runResults.find(s_->sourcePath);
        return result == s_->runResults.end() ? 0 : result->second;
    }
    int32_t GetProgressPercent() override { return s_->progress; }
    int32_t Stop() override {
        s_->calls.push_back("Stop");
        return s_->graph ? 0 : 1;
    }
    int32_t ReleaseGraph() override {
        s_->calls.push_back("ReleaseGraph");
        s_->graph = false;
        std::lock_guard lock(s_->mutex);
        s_->events.clear();
        return 0;
    }
    std::vector<GraphEvent> TakeEvents() override {
        std::lock_guard lock(s_->mutex);
        std::vector<GraphEvent> taken(s_->events.begin(), s_->events.end());
        s_->events.clear();
        return taken;
    }

private:
    std::shared_ptr<Shared> s_;
};

// Queues an event and calls the engine's notify callback on another thread.
inline void RaiseEvent(ScriptedEngine::Shared& shared, int32_t code, int32_t result = 0) {
    {
        std::lock_guard lock(shared.mutex);
        shared.events.push_back({code, result});
    }
    std::function<void()> notify = shared.notify;
    std::thread([notify] {
        if (notify) notify();
    }).join();
}

// Runs the event loop until the predicate holds or the time-out passes; true when it held.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        // Sleeps in the event loop until an event comes or 20 ms pass.
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Lets every queued call that is already posted run.
inline void Drain() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace tarnel::test
