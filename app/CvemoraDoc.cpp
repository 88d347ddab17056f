// The list side of the document: adding, ticking, removing and resetting entries, the log
// queue, the configuration commands and the document's life cycle. The run is in
// CvemoraDocRun.cpp.
#include "app/CvemoraDoc.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "app/DocumentSettings.h"
#include "app/DocumentTexts.h"

namespace tarnel {

CvemoraDoc::CvemoraDoc(std::shared_ptr<DocumentLoop> loop, DocumentHost& host, ProbeFunction probe,
                       std::unique_ptr<ConversionEngine> engine)
    : host_(host),
      probe_(std::move(probe)),
      loop_(std::move(loop)),
      progressTimer_(loop_->MakeTimer(kProgressTimerMs, [this] { OnProgressTick(); })),
      player_(std::make_unique<PreviewPlayer>()),
      engine_(engine ? std::move(engine) : MakeEngineConverter()) {
    AttachPreview(nullptr);
    // The stored strategy applies from the start, not only after the general configuration
    // was accepted once.
    ReadNamingStrategy();
}

CvemoraDoc::~CvemoraDoc() {
    progressTimer_->Stop();
    // Stops the graphs' threads and their callbacks before anything they could reach goes away.
    ReleaseConversionGraph();
    player_->Release();
}

void CvemoraDoc::AttachFrame(DocumentFrame* frame) {
    frame_ = frame;
    flags_ = frame ? &frame->Flags() : &ownFlags_;
}

void CvemoraDoc::AddView(DocumentView* view) {
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end()) {
        views_.push_back(view);
    }
}

void CvemoraDoc::RemoveView(DocumentView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void CvemoraDoc::UpdateAllViews(UpdateHint hint, const HintArgument& argument) {
    // A view may add or remove views while handling a hint; walk a copy.
    const std::vector<DocumentView*> views = views_;
    for (DocumentView* view : views) view->OnUpdate(*this, hint, argument);
}

void CvemoraDoc::PostToFrame(std::function<void(DocumentFrame&)> call) {
    if (!frame_) return;
    DocumentFrame* frame = frame_;
    loop_->Post([this, frame, call = std::move(call)] {
        // The frame may have been detached since the call was posted.
        if (frame_ == frame) call(*frame);
    });
}

AudioDataPtr CvemoraDoc::FindEntry(const std::string& path) const {
    const auto it = entryByPath_.find(path);
    return it == entryByPath_.end() ? nullptr : it->second;
}

// --- Adding ----------------------------------------------------------------------------------

void CvemoraDoc::AddFiles() {
    OpenFilesRequest request;
    request.title = std::string(texts::kOpenDialogTitle);
    request.filter = std::string(texts::kOpenDialogFilter);
    request.initialFolder = settings::ReadOpenDirectory();

    const std::optional<std::vector<std::string>> chosen = host_.ChooseFilesToOpen(request);
    if (!chosen) return;
    {
        WaitCursor wait(host_);
        host_.RepaintMainWindow();
        for (const std::string& path : *chosen) {
            std::error_code ec;
            const auto status = std::filesystem::status(path, ec);
            if (ec || std::filesystem::is_directory(status)) continue;
            AddFile(path, FileStatus::Idle);
            Pump(50);
        }
    }
    if (checkedEntries_.empty()) {
        PostLog(std::string(texts::kNothingSelected), false, LOG_SELECTION, -1);
    }
    if (!chosen->empty()) {
        const std::string& last = chosen->back();
        const size_t slash = last.rfind('/');
        settings::WriteOpenDirectory(slash == std::string::npos ? std::string()
                                                                : last.substr(0, slash));
    }
}

bool CvemoraDoc::AddFile(const std::string& path, FileStatus status) {
    auto entry = std::make_shared<AudioData>();
    entry->path = path;
    entry->status = status;
    entry->progress = 0;

    if (FindEntry(path)) {
        PostLog(texts::AlreadyListed(path), false, LOG_NOTICE, -1);
        return false;
    }
    const std::optional<ProbeOutcome> probed = probe_ ? probe_(path) : std::nullopt;
    if (!probed) {
        PostLog(texts::UnsupportedFile(path), true, LOG_ERROR, texts::kErrorNumberUnsupported);
        return false;
    }
    entry->format = probed->format;
    entry->duration = probed->duration;

    entries_.push_back(entry);
    entryByPath_.emplace(std::string_view(entry->path), entry);
    UpdateAllViews(HINT_ENTRY_ADDED, {entry, 0});
    if (playIndex_ == -1) flags_->SetPreviewIdle();
    modified_ = true;
    return true;
}

// --- Ticking ---------------------------------------------------------------------------------

void CvemoraDoc::SetIdleOrRunPattern() {
    // A tick during a run must not reopen Convert or close Cancel: the run keeps its pattern.
    if (IsRunActive()) {
        flags_->SetRunPattern();
    } else {
        flags_->SetIdlePattern();
    }
}

void CvemoraDoc::CheckEntry(const std::string& path) {
    AudioDataPtr entry = FindEntry(path);
    if (!entry) return;  // the view only ticks listed rows; nothing to tick otherwise
    checkedEntries_.push_back(entry);
    SetIdleOrRunPattern();
    if (checkedEntries_.size() == 1) {
        PostLog(std::string(texts::kConverterReady), false, LOG_SELECTION, -1);
    }
    modified_ = true;
}

void CvemoraDoc::UncheckEntry(const std::string& path) {
    UncheckEntries({path});
}

void CvemoraDoc::UncheckEntries(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // One pass over the ticked list instead of one per path. Called one path at a time, the
    // list is empty after the call that unticks the last remaining path, and every later call
    // finds it empty too: each of those calls sets the flags and logs the notice.
    std::unordered_map<std::string_view, size_t> firstCall;
    firstCall.reserve(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) firstCall.try_emplace(paths[i], i);
    bool becomesEmpty = true;
    size_t emptyFrom = 0;
    for (const auto& entry : checkedEntries_) {
        const auto it = firstCall.find(entry->path);
        if (it == firstCall.end()) {
            becomesEmpty = false;
            break;
        }
        emptyFrom = std::max(emptyFrom, it->second);
    }
    std::erase_if(checkedEntries_,
                  [&](const AudioDataPtr& e) { return firstCall.contains(e->path); });
    if (becomesEmpty) {
        for (size_t call = emptyFrom; call < paths.size(); ++call) {
            if (IsRunActive()) {
                flags_->SetRunPattern();
            } else {
                flags_->canConvert = false;
                flags_->canCancel = false;
                flags_->canAdd = true;
                flags_->canConfigure = true;
            }
            PostLog(std::string(texts::kNothingSelected), false, LOG_SELECTION, -1);
        }
    }
    modified_ = true;
}

// --- Removing --------------------------------------------------------------------------------

void CvemoraDoc::RemoveEntry(const std::string& path) {
    RemoveEntries({path});
}

void CvemoraDoc::RemoveEntries(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // Removing the previewed entry may start the preview of the next path, which must see the
    // list as it is after the earlier removals: one path at a time then.
    if (previewEntry_ && paths.size() > 1) {
        for (const std::string& path : paths) RemoveEntries({path});
        return;
    }
    if (paths.size() == 1) StopPreviewOf(paths.front());

    UncheckEntries(paths);

    // The converting entry stays alive through convertingEntry_; the run then finds it gone
    // from its queue and removes nothing else.
    std::unordered_set<std::string_view> removed(paths.begin(), paths.end());
    const auto listed = [&](const AudioDataPtr& e) { return removed.contains(e->path); };
    for (const std::string& path : paths) entryByPath_.erase(path);
    std::erase_if(entries_, listed);
    std::erase_if(conversionQueue_, listed);

    if (entries_.empty()) {
        flags_->canPlay = false;
        flags_->canPause = false;
        flags_->canStop = false;
    }
    modified_ = true;
}

void CvemoraDoc::StopPreviewOf(const std::string& path) {
    if (previewEntry_ && previewEntry_->path == path &&
        (previewEntry_->status == FileStatus::Playing ||
         previewEntry_->status == FileStatus::Paused)) {
        if (preview_) preview_->StopPlayer();
        RestorePreviewedStatus();
        AdvancePlayList();
    }
}

int CvemoraDoc::CountRemaining() {
    int remaining = 0;
    for (const auto& entry : checkedEntries_) {
        const FileStatus effective =
            entry == previewEntry_ && playIndex_ != -1 ? savedPreviewStatus_ : entry->status;
        if (effective != FileStatus::Converted) ++remaining;
    }
    remainingCount_ = remaining;
    return remaining;
}

void CvemoraDoc::ResetConvertedStatus() {
    for (const auto& entry : checkedEntries_) entry->status = FileStatus::Idle;
    // The queue of a run in progress goes too; the run ends after its current file.
    conversionQueue_.clear();
    UpdateAllViews(HINT_STATUS_RESET);
    savedPreviewStatus_ = FileStatus::Idle;
    PostLog(std::string(texts::kResettingStatus), false, LOG_NOTICE, -1, kResetNoticeMarker);
    modified_ = true;
}

// --- Configuration ---------------------------------------------------------------------------

void CvemoraDoc::ReadNamingStrategy() {
    namingStrategy_ = settings::ReadNamingStrategy(0);
}

void CvemoraDoc::ConfigureExport() {
    const ExportDialogResult result = host_.RunExportConfiguration();
    if (!result.accepted) return;
    host_.RepaintMainWindow();
    if (result.formatChanged) {
        UpdateAllViews(HINT_STATUS_RESET);
        savedPreviewStatus_ = FileStatus::Idle;
        PostLog(std::string(texts::kFormatChanged), false, LOG_NOTICE, -1, kResetNoticeMarker);
        if (!entries_.empty()) modified_ = true;
    }
    ReadNamingStrategy();
    PostToFrame([](DocumentFrame& frame) { frame.OnGeneralSettingsChanged(); });
    UpdateAllViews(HINT_SETTINGS);
}

void CvemoraDoc::ConfigureGeneral() {
    if (!host_.RunGeneralConfiguration()) return;
    host_.RepaintMainWindow();
    ReadNamingStrategy();
    PostToFrame([](DocumentFrame& frame) { frame.OnGeneralSettingsChanged(); });
    UpdateAllViews(HINT_SETTINGS);
}

// --- Log -------------------------------------------------------------------------------------

void CvemoraDoc::PostLog(const std::string& text, bool isError, LogCode code, int32_t errorNumber,
                         int32_t marker) {
    LogRecord record;
    record.text = text;
    record.isError = isError;
    record.code = code;
    record.errorNumber = errorNumber;
    logQueue_.push_back(std::move(record));
    UpdateAllViews(HINT_LOG, {nullptr, marker});
}

bool CvemoraDoc::TakeLogRecord(LogRecord& record) {
    if (logQueue_.empty()) return false;
    record = std::move(logQueue_.front());
    logQueue_.pop_front();
    return true;
}

// --- Life cycle ------------------------------------------------------------------------------

void CvemoraDoc::SetPreviewSlot(AudioDataPtr entry, FileStatus savedStatus,
                                std::vector<std::string> list, int index) {
    previewEntry_ = std::move(entry);
    savedPreviewStatus_ = savedStatus;
    playList_ = std::move(list);
    playIndex_ = index;
}

void CvemoraDoc::DeleteContents() {
    // A run in progress ends here: its graph, timer and temporary file go, and the frame is
    // told that no file converts any more.
    const bool wasRunning = IsRunActive();
    StopProgressTimer();
    ReleaseConversionGraph();
    if (wasRunning) {
        if (!tempPath_.empty()) {
            std::error_code ec;
            std::filesystem::remove(tempPath_, ec);
        }
        PostConversionProgress(0, 0);
        flags_->SetIdlePattern();
    }
    if (preview_) preview_->StopPlayer();
    player_->Release();
    ++previewGeneration_;

    entries_.clear();
    entryByPath_.clear();
    checkedEntries_.clear();
    conversionQueue_.clear();
    playIndex_ = -1;
    runIndex_ = -1;
    convertingEntry_.reset();
    previewEntry_.reset();
    previewPaused_ = false;
    playList_.clear();
    savedPreviewStatus_ = FileStatus::NoStatus;
    // Entries of an earlier session that are still waiting belong to the old contents.
    ++contentsGeneration_;
    ClearPendingLoad();
    UpdateAllViews(HINT_CLEARED);
}

void CvemoraDoc::NewDocument() {
    DeleteContents();
    entries_.clear();
    entryByPath_.clear();
    checkedEntries_.clear();
    conversionQueue_.clear();
    playIndex_ = -1;
    runIndex_ = -1;
    convertingEntry_.reset();
    previewEntry_.reset();
    previewPaused_ = false;
    savedPreviewStatus_ = FileStatus::NoStatus;
    UpdateAllViews(HINT_CLEARED);
    modified_ = false;
    flags_->canPlay = false;
    flags_->canPause = false;
    flags_->canStop = false;
}

}  // namespace tarnel
