#pragma once
// The conversion list document: the listed files, which of them are ticked, the log queue, and
// the conversion run that converts the ticked files one after another.
//
// Threading: a document lives on one thread that runs a Qt event loop (the GUI thread of the
// desktop program, a worker thread of the command-line converter). Every member is touched only
// on that thread. The conversion graph runs on its own threads and reaches the document only
// through the Converter's notify callback, which crosses to the document's thread as a queued
// call; the progress is read on the 100 ms PROGRESS_TIMER. Messages to the frame
// (WM_CONVERSION_PROGRESS, WM_GENERAL_SETTINGS_CHANGED) are queued calls too.
//
// Entries are shared: `entries`, `checkedEntries`, `conversionQueue` and the run and preview
// slots hold the same AudioData objects. The run keeps its converting entry alive through its own
// reference, so removing that entry from the list mid-run is safe and the run then removes
// exactly that entry from its queue.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/AudioData.h"
#include "app/CommandFlags.h"
#include "app/ConversionEngine.h"
#include "app/DocumentFrame.h"
#include "app/DocumentHost.h"
#include "app/DocumentLoop.h"
#include "app/DocumentView.h"
#include "app/LogRecord.h"
#include "app/PreviewPlayer.h"
#include "app/PrivateTempDir.h"
#include "app/UpdateHint.h"

namespace tarnel {

class SessionLoadView;

// A stored session entry handed out by TakeNextPending: its path and status, and whether it was
// ticked when the session was saved.
struct PendingEntry {
    AudioDataPtr entry;
    bool ticked = false;
};

// What probing found for a file.
struct ProbeOutcome {
    std::string format;      // "MP3", "OGG", "WMA" or "WAV"
    double duration = -1.0;  // seconds
};

// Probes a file; nothing when no probe accepts it. The default is the engine's ProbeFile.
using ProbeFunction = std::function<std::optional<ProbeOutcome>(const std::string& path)>;
ProbeFunction EngineProbe();

// The preview player's side of the document, attached by preview playback. Removing the entry
// being previewed stops the player and moves on to the next path of the play list.
class PreviewControl {
public:
    virtual ~PreviewControl() = default;
    virtual void StopPlayer() = 0;
    virtual void PlayEntry(const std::string& path) = 0;
};

inline constexpr int kProgressTimerId = 2000;
inline constexpr int kProgressTimerMs = 100;
inline constexpr int kConversionEventMessage = 1632;  // WM_CONVERSION_EVENT
inline constexpr char kTempFileName[] = "morlat_temp.audio";

class CvemoraDoc {
public:
    // Without an engine the document makes the engine's Converter. The first form lives on Qt's
    // event loop of the calling thread, the second on the given loop.
    explicit CvemoraDoc(DocumentHost& host, ProbeFunction probe = EngineProbe(),
                        std::unique_ptr<ConversionEngine> engine = nullptr);
    CvemoraDoc(std::shared_ptr<DocumentLoop> loop, DocumentHost& host,
               ProbeFunction probe = EngineProbe(),
               std::unique_ptr<ConversionEngine> engine = nullptr);
    ~CvemoraDoc();
    CvemoraDoc(const CvemoraDoc&) = delete;
    CvemoraDoc& operator=(const CvemoraDoc&) = delete;

    // The frame holds the command flags and receives the queued messages; without a frame the
    // document keeps the flags itself and the messages go nowhere.
    void AttachFrame(DocumentFrame* frame);
    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    // Replaces the document's own player behind the PreviewControl hooks (null: the own one).
    void AttachPreview(PreviewControl* preview);

    // --- The list ---------------------------------------------------------------------------
    void AddFiles();  // the Add Files command: dialog, then AddFile per chosen path
    // Adds one file with the given initial status; false when it was a duplicate or no probe
    // accepted it (both logged).
    bool AddFile(const std::string& path, FileStatus status);
    void CheckEntry(const std::string& path);
    void UncheckEntry(const std::string& path);
    void RemoveEntry(const std::string& path);
    // The same as UncheckEntry and RemoveEntry for each path in order (flags, notices and
    // hints included), in one pass over the lists: for the view's commands on many rows.
    void UncheckEntries(const std::vector<std::string>& paths);
    void RemoveEntries(const std::vector<std::string>& paths);
    int CountRemaining();
    void ResetConvertedStatus();
    void ConfigureExport();
    void ConfigureGeneral();
    // The framework's delete-contents step: releases the conversion graph, ends a run, empties
    // the lists and sends HINT_CLEARED.
    void DeleteContents();
    // A new empty session.
    void NewDocument();

    // --- The log ----------------------------------------------------------------------------
    void PostLog(const std::string& text, bool isError, LogCode code, int32_t errorNumber,
                 int32_t marker = 0);
    // Removes the oldest record into *record; false (and *record left as it is) when empty.
    bool TakeLogRecord(LogRecord& record);

    // --- The run ----------------------------------------------------------------------------
    void StartOrContinueRun();           // the Convert command
    void OnConversionEvent(int result);  // 0 completion, -1 user or error abort
    // The HRESULT of the last EC_ERRORABORT of this document's graphs (0 before any, and for a
    // user abort), kept for the log and for tests.
    int32_t LastStreamingError() const { return lastStreamingError_; }
    void OnProgressTick();
    void CancelRun();  // the Cancel command

    // Export format for this document's runs instead of the stored "Format"; nothing to use
    // the stored one again. The settings are never written.
    void SetExportFormatOverride(std::optional<int32_t> format) { formatOverride_ = format; }
    // The naming strategy of the next deliveries (read from "Naming Strategy" at construction
    // and whenever the general configuration is accepted).
    void SetNamingStrategy(int32_t strategy) { namingStrategy_ = strategy; }

    // --- Preview playback -------------------------------------------------------------------
    // The list view's "&Play Selection": plays the paths one after another; an empty list
    // starts nothing.
    void PlayPaths(const std::vector<std::string>& paths);
    // Plays one listed file; a path no longer listed is skipped (the play list moves on).
    void PlayEntry(const std::string& path);
    // For each event of the preview graph, as a queued call: 0 completion, -1 user or error
    // abort.
    void OnPreviewEvent(int result);
    void OnPlayCommand();   // 1005: resumes a paused file, or plays the list view's selection
    void OnPauseCommand();  // 1002
    void OnStopCommand();   // 1003
    // The volume slider's position (0..1000, 0 counts as 1) as 20 log10(position / 1000) dB.
    void SetPreviewVolume(int sliderPosition);
    // What the Play command calls to send the list view its "&Play Selection" command (145).
    void AttachPlaySelection(std::function<void()> playSelection) {
        playSelection_ = std::move(playSelection);
    }
    bool PreviewPaused() const { return previewPaused_; }
    const std::vector<std::string>& PlayList() const { return playList_; }
    PreviewPlayer& Player() { return *player_; }

    // --- The session file -------------------------------------------------------------------
    // The list view that receives WM_LOAD_PENDING; without one the message goes nowhere.
    void AttachLoadView(SessionLoadView* view) { loadView_ = view; }
    // Writes the list, its statuses and ticks as a session file, replacing `fileName` only once
    // the new file is complete. False on failure, which is shown as a message when a frame is
    // attached. Clears the modified flag on success.
    bool SaveSession(const std::string& fileName);
    // Deletes the contents, then reads the stored entries into the pending lists; the list view
    // adds them on WM_LOAD_PENDING, which is posted whatever the result. False when the file
    // could not be opened (shown as a message) or holds no session stream (not shown).
    bool OpenSession(const std::string& fileName);
    // The next stored entry to add, or nothing once all are handed out (the pending lists are
    // emptied then).
    std::optional<PendingEntry> TakeNextPending();
    const std::vector<AudioDataPtr>& PendingLoad() const { return pendingLoad_; }
    const std::vector<AudioDataPtr>& PendingLoadChecked() const { return pendingLoadChecked_; }
    std::ptrdiff_t NextPendingIndex() const { return nextPendingIndex_; }
    DocumentHost& Host() { return host_; }

    // Dispatches pending Qt events of the calling thread for at most the given milliseconds.
    static void PumpMessages(int milliseconds);
    // The same on the document's own loop, and waiting for events for the given milliseconds.
    void Pump(int milliseconds) { loop_->Pump(milliseconds); }
    void RunEventsFor(int milliseconds) { loop_->RunFor(milliseconds); }

    // --- State, for the views, the frame, the session file and the tests --------------------
    const std::vector<AudioDataPtr>& Entries() const { return entries_; }
    const std::vector<AudioDataPtr>& CheckedEntries() const { return checkedEntries_; }
    const std::deque<AudioDataPtr>& ConversionQueue() const { return conversionQueue_; }
    AudioDataPtr FindEntry(const std::string& path) const;
    const AudioDataPtr& ConvertingEntry() const { return convertingEntry_; }
    bool IsRunActive() const { return runIndex_ != -1 || convertingEntry_ != nullptr; }
    int RunIndex() const { return runIndex_; }
    int RunTotal() const { return runTotal_; }
    int RemainingCount() const { return remainingCount_; }
    int32_t ExportFormat() const { return exportFormat_; }
    int32_t NamingStrategy() const { return namingStrategy_; }
    const std::string& TempPath() const { return tempPath_; }
    const std::string& FinalPath() const { return finalPath_; }
    bool IsProgressTimerActive() const;
    const CommandFlags& Flags() const { return *flags_; }
    size_t PendingLogCount() const { return logQueue_.size(); }

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    // The title as the frame shows it: the session's title with "*" while modified.
    void SetTitle(std::string title) { title_ = std::move(title); }
    std::string DisplayTitle() const { return modified_ ? title_ + "*" : title_; }

    // Preview slot (driven by preview playback).
    const AudioDataPtr& PreviewEntry() const { return previewEntry_; }
    FileStatus SavedPreviewStatus() const { return savedPreviewStatus_; }
    int PlayIndex() const { return playIndex_; }
    void SetPreviewSlot(AudioDataPtr entry, FileStatus savedStatus, std::vector<std::string> list,
                        int index);

    // Sends a hint to every view.
    void UpdateAllViews(UpdateHint hint, const HintArgument& argument = {});

private:
    // Run steps.
    void RunFromQueue();
    bool StartFile();  // false when the file failed before its graph ran
    void ReadExportSettings();
    void FailFileEarly(const std::string& text);
    void FailBuiltFile(const AudioDataPtr& entry, int32_t result);
    void UpdateSavedPreviewStatus(const AudioDataPtr& entry);
    bool FinishFile();  // true when the run goes on with the next file
    void EndRun();
    void ReleaseConversionGraph();
    void StopProgressTimer();
    void OnConverterNotify(uint64_t generation);
    void DrainConversionEvents(uint64_t generation);
    bool EnsureTempPath(std::string* error);

    void SetIdleOrRunPattern();
    void PostToFrame(std::function<void(DocumentFrame&)> call);
    void PostConversionProgress(int fileNumber, int fileCount);
    void SendStatus(const AudioDataPtr& entry) { UpdateAllViews(HINT_ENTRY_STATUS, {entry, 0}); }
    // Step one of removing a path: the preview of that path stops and moves on.
    void StopPreviewOf(const std::string& path);
    void ReadNamingStrategy();
    // Preview.
    class OwnPreviewControl;
    void StopPreviewPlayer();
    void RestorePreviewedStatus();
    void AdvancePlayList();
    void DrainPreviewEvents(uint64_t generation);
    // Session file.
    void ClearPendingLoad();
    void PostLoadPending();

    DocumentHost& host_;
    ProbeFunction probe_;
    DocumentFrame* frame_ = nullptr;
    PreviewControl* preview_ = nullptr;
    std::vector<DocumentView*> views_;
    CommandFlags ownFlags_;
    CommandFlags* flags_ = &ownFlags_;  // the frame's flags when a frame is attached

    // Receives the queued calls of this document; lives on the document's thread. Declared
    // before the Converter so that it outlives every graph callback.
    std::shared_ptr<DocumentLoop> loop_;
    std::unique_ptr<DocumentTimer> progressTimer_;  // PROGRESS_TIMER

    // The list.
    std::vector<AudioDataPtr> entries_;
    // Every entry of entries_ by its path (paths are unique there); the keys view the entries'
    // own paths, which never change.
    std::unordered_map<std::string_view, AudioDataPtr> entryByPath_;
    std::vector<AudioDataPtr> checkedEntries_;
    std::deque<AudioDataPtr> conversionQueue_;
    std::deque<LogRecord> logQueue_;

    // The run.
    AudioDataPtr convertingEntry_;
    int runIndex_ = -1;
    int runTotal_ = 0;
    int remainingCount_ = 0;
    int32_t exportFormat_ = 200;
    int32_t namingStrategy_ = 0;
    std::optional<int32_t> formatOverride_;
    std::string tempPath_;
    std::string finalPath_;
    std::optional<PrivateTempDir> tempDir_;
    // Identifies the current graph; a queued notify of an older graph is dropped.
    uint64_t graphGeneration_ = 0;
    bool graphBuilt_ = false;
    int32_t lastStreamingError_ = 0;

    // The preview slot.
    AudioDataPtr previewEntry_;
    FileStatus savedPreviewStatus_ = FileStatus::NoStatus;
    bool previewPaused_ = false;
    std::vector<std::string> playList_;
    int playIndex_ = -1;
    std::unique_ptr<PreviewPlayer> player_;  // declared after loop_: released first
    std::unique_ptr<PreviewControl> ownPreview_;
    std::function<void()> playSelection_;
    // Identifies the current preview run; queued notices of an older one are dropped.
    uint64_t previewGeneration_ = 0;

    bool modified_ = false;
    std::string title_;

    // The session load: stored entries not yet added, in file order, and the ticked subset (the
    // same objects, in the same order). nextPendingChecked_ walks the ticked subset alongside.
    SessionLoadView* loadView_ = nullptr;
    std::vector<AudioDataPtr> pendingLoad_;
    std::vector<AudioDataPtr> pendingLoadChecked_;
    std::ptrdiff_t nextPendingIndex_ = -1;
    size_t nextPendingChecked_ = 0;
    // Changes whenever the contents are deleted, so an open that dispatched events while
    // filling the pending lists sees that a newer open or a new session took over.
    uint64_t contentsGeneration_ = 0;

    std::unique_ptr<ConversionEngine> engine_;  // one for the document's whole life
};

}  // namespace tarnel
