// The conversion run: converts the ticked entries one after another into the current export
// format, through a private temporary file that is delivered beside the source when the graph
// completes.

#include <ctime>
#include <filesystem>

#include "app/CvemoraDoc.h"
#include "app/DocumentSettings.h"
#include "app/DocumentTexts.h"
#include "app/OutputDelivery.h"
#include "app/OutputNaming.h"
#include "engine/Converter.h"

namespace tarnel {

namespace {

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void RemoveFile(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

}  // namespace

void CvemoraDoc::StartOrContinueRun() {
    if (checkedEntries_.empty()) {
        host_.ShowMessage(std::string(texts::kNoFilesToConvert), MessageIcon::Error);
        return;
    }
    if (conversionQueue_.empty()) {
        runTotal_ = CountRemaining();
        if (runTotal_ <= 0) {
            PostLog(std::string(texts::kAllConverted), false, LOG_NOTICE, -1);
            return;
        }
        conversionQueue_.assign(checkedEntries_.begin(), checkedEntries_.end());
    } else if (IsRunActive()) {
        return;  // one run at a time; this one goes on by itself
    }
    RunFromQueue();
}

// Starts the next file of the queue. A file that fails before its graph runs is finished at
// once and the loop takes the next one, so a long list of failing files does not nest calls.
void CvemoraDoc::RunFromQueue() {
    for (;;) {
        while (!conversionQueue_.empty() &&
               conversionQueue_.front()->status == FileStatus::Converted) {
            conversionQueue_.pop_front();
        }
        if (conversionQueue_.empty()) {
            EndRun();
            return;
        }
        if (StartFile()) return;  // the graph runs; its completion event continues the run
        if (!FinishFile()) return;
    }
}

void CvemoraDoc::ReadExportSettings() {
    if (formatOverride_) {
        exportFormat_ = *formatOverride_;
    } else {
        settings::ReadStoredFormat(exportFormat_);  // kept when none is stored
    }
    settings::ApplyExportSettings(exportFormat_, *engine_);
}

bool CvemoraDoc::EnsureTempPath(std::string* error) {
    if (!tempDir_) {
        tempDir_ = PrivateTempDir::Create(error);
        if (!tempDir_) return false;
    }
    tempPath_ = (tempDir_->path() / kTempFileName).string();
    return true;
}

bool CvemoraDoc::StartFile() {
    const AudioDataPtr entry = conversionQueue_.front();
    convertingEntry_ = entry;
    entry->status = FileStatus::Converting;

    ReadExportSettings();

    std::string tempError;
    if (!EnsureTempPath(&tempError)) {
        FailFileEarly(texts::DeliveryFailed(entry->path, tempError));
        return false;
    }
    RemoveFile(tempPath_);

    finalPath_ = MakeOutputName(entry->path, namingStrategy_, exportFormat_, LocalTimeNow());
    if (finalPath_.empty()) {
        FailFileEarly(texts::DeliveryFailed(
            entry->path, "the naming strategy " + std::to_string(namingStrategy_) +
                             " is unknown (0 appends the source format, 1 the date and time)"));
        return false;
    }

    const uint64_t generation = ++graphGeneration_;
    DocumentLoop* loop = loop_.get();
    engine_->Prepare(entry->path, tempPath_, SourceFormatCode(entry->format),
                     [this, loop, generation] {
                         // Any thread: only hops to the document's thread.
                         loop->Post([this, generation] { OnConverterNotify(generation); });
                     });
    const int32_t result = engine_->BuildGraph();
    graphBuilt_ = true;
    if (result < 0) {
        FailBuiltFile(entry, result);
        return false;
    }

    if (engine_->DurationSeconds() == -1.0) engine_->SetDurationSeconds(entry->duration);
    ++runIndex_;
    SendStatus(entry);
    PostConversionProgress(runIndex_ + 1, runTotal_);
    progressTimer_->Start();
    // A graph that refuses to run sends no event that would ever end the file: it fails here
    // like a graph that could not be built, and the run goes on.
    if (const int32_t started = engine_->Run(); started < 0) {
        FailBuiltFile(entry, started);
        return false;
    }
    flags_->SetRunPattern();
    return true;
}

// A file whose graph failed to build or to start: logged, marked Error, graph released.
void CvemoraDoc::FailBuiltFile(const AudioDataPtr& entry, int32_t result) {
    engine_->ReleaseGraph();
    if (result == kVorbisSettingsRejected) {
        PostLog(texts::OggSettingsRejected(entry->path), true, LOG_ERROR,
                texts::kErrorNumberOggSettings);
    } else {
        PostLog(texts::BuildFailed(entry->path), true, LOG_ERROR, texts::kErrorNumberBuildFailed);
    }
    entry->status = FileStatus::Error;
    StopProgressTimer();
    ReleaseConversionGraph();
    Pump(100);
    UpdateSavedPreviewStatus(entry);
    SendStatus(entry);
}

// A file that cannot be converted for a reason found before its graph was built.
void CvemoraDoc::FailFileEarly(const std::string& text) {
    const AudioDataPtr entry = convertingEntry_;
    PostLog(text, true, LOG_ERROR, texts::kErrorNumberDelivery);
    entry->status = FileStatus::Error;
    UpdateSavedPreviewStatus(entry);
    SendStatus(entry);
}

void CvemoraDoc::UpdateSavedPreviewStatus(const AudioDataPtr& entry) {
    if (playIndex_ != -1) {
        if (entry == previewEntry_) savedPreviewStatus_ = entry->status;
    } else {
        savedPreviewStatus_ = FileStatus::NoStatus;
    }
}

void CvemoraDoc::OnConverterNotify(uint64_t generation) {
    DrainConversionEvents(generation);
}

void CvemoraDoc::DrainConversionEvents(uint64_t generation) {
    if (generation != graphGeneration_ || !graphBuilt_) return;  // an older graph's notice
    for (const GraphEvent& event : engine_->TakeEvents()) {
        if (generation != graphGeneration_) return;  // an earlier event ended this graph
        if (event.code == kEventComplete) {
            OnConversionEvent(0);
        } else if (event.code == kEventUserAbort || event.code == kEventErrorAbort) {
            lastStreamingError_ = event.result;
            OnConversionEvent(-1);
        }
    }
}

void CvemoraDoc::OnConversionEvent(int result) {
    if (result == -1) {
        // The run waits, timer running and entry Converting, until the user cancels.
        host_.ShowMessage(std::string(texts::kConversionError), MessageIcon::Error);
        return;
    }
    const AudioDataPtr entry = convertingEntry_;
    if (!entry || !graphBuilt_) return;  // no file is converting

    StopProgressTimer();
    ReleaseConversionGraph();
    Pump(100);
    // A command dispatched meanwhile (Cancel, a new session) may have ended the run.
    if (convertingEntry_ != entry) return;

    FileStatus status =
        entry->status == FileStatus::Error ? FileStatus::Error : FileStatus::Converted;
    if (status == FileStatus::Converted) {
        const DeliveryError error = exportFormat_ == kFormatMp3
                                        ? DeliverMp3Stream(tempPath_, finalPath_)
                                        : DeliverCopy(tempPath_, finalPath_);
        if (error) {
            PostLog(texts::DeliveryFailed(entry->path, *error), true, LOG_ERROR,
                    texts::kErrorNumberDelivery);
            status = FileStatus::Error;
        }
    }
    // The temporary file has served its purpose; the next file starts from an empty one.
    RemoveFile(tempPath_);
    entry->status = status;
    UpdateSavedPreviewStatus(entry);
    SendStatus(entry);

    if (FinishFile()) RunFromQueue();
}

bool CvemoraDoc::FinishFile() {
    if (convertingEntry_) {
        // Exactly the handled entry: it may have left the queue while it converted.
        for (auto it = conversionQueue_.begin(); it != conversionQueue_.end(); ++it) {
            if (*it == convertingEntry_) {
                conversionQueue_.erase(it);
                break;
            }
        }
    }
    convertingEntry_.reset();
    if (settings::SoundAlertsOn()) host_.PlaySoundAlert(kSoundFileDone);
    modified_ = true;
    if (!conversionQueue_.empty() && CountRemaining() > 0) return true;
    EndRun();
    return false;
}

void CvemoraDoc::EndRun() {
    // What is left in the queue (unticked or converted meanwhile) is not carried into the next
    // Convert, which starts a fresh run from the ticked entries.
    conversionQueue_.clear();
    PostConversionProgress(0, 0);
    runIndex_ = -1;
    convertingEntry_.reset();
    flags_->SetIdlePattern();
}

void CvemoraDoc::OnProgressTick() {
    const AudioDataPtr entry = convertingEntry_;
    if (!entry || !graphBuilt_) return;
    entry->progress = engine_->GetProgressPercent();
    if (entry->progress != 0) UpdateAllViews(HINT_ENTRY_PROGRESS, {entry, 0});
}

void CvemoraDoc::CancelRun() {
    if (!IsRunActive()) return;
    StopProgressTimer();
    engine_->Stop();
    RemoveFile(tempPath_);
    conversionQueue_.clear();
    ReleaseConversionGraph();

    if (const AudioDataPtr entry = convertingEntry_) {
        // Converted first, so the list drops the row's progress display, then Idle.
        entry->status = FileStatus::Converted;
        SendStatus(entry);
        if (entry == previewEntry_) savedPreviewStatus_ = FileStatus::Idle;
        entry->status = FileStatus::Idle;
        SendStatus(entry);
    }
    PostConversionProgress(0, 0);
    runIndex_ = -1;
    convertingEntry_.reset();
    flags_->SetIdlePattern();
    PostLog(std::string(texts::kConversionCancelled), false, LOG_CANCELLED, -1);
}

void CvemoraDoc::ReleaseConversionGraph() {
    engine_->Stop();
    engine_->ReleaseGraph();
    graphBuilt_ = false;
    ++graphGeneration_;  // queued notices of this graph are dropped
}

void CvemoraDoc::StopProgressTimer() {
    progressTimer_->Stop();
}

bool CvemoraDoc::IsProgressTimerActive() const {
    return progressTimer_->IsActive();
}

void CvemoraDoc::PostConversionProgress(int fileNumber, int fileCount) {
    PostToFrame([fileNumber, fileCount](DocumentFrame& frame) {
        frame.OnConversionProgress(fileNumber, fileCount);
    });
}

}  // namespace tarnel
