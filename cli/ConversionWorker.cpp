#include "cli/ConversionWorker.h"

#include <filesystem>

#include "app/DocumentTexts.h"
#include "framework/VectorState.h"

namespace tarnel::cli {

ConversionWorker::ConversionWorker(int id, BatchState& batch, WorkerSettings settings,
                                   Publish publish)
    : id_(id), batch_(batch), settings_(std::move(settings)), publish_(std::move(publish)) {}

ConversionWorker::~ConversionWorker() = default;

void ConversionWorker::Run() {
    ClearUpperVectorState();  // this thread probes and sets up codecs
    auto loop = std::make_shared<ThreadLoop>();
    {
        std::lock_guard lock(loopMutex_);
        loop_ = loop;
    }
    {
        CvemoraDoc doc(loop, *this, settings_.probe ? settings_.probe : EngineProbe(),
                       settings_.engineFactory ? settings_.engineFactory() : nullptr);
        doc.AttachFrame(this);
        doc.AddView(this);
        doc.SetExportFormatOverride(settings_.format);
        if (settings_.naming) doc.SetNamingStrategy(*settings_.naming);
        doc_ = &doc;
        while (!interrupted_) {
            const std::optional<FileJob> job = batch_.NextJob();
            if (!job) break;
            batch_.BeginFile(id_, job->path);
            FileOutcome outcome = Handle(doc, *job);
            batch_.EndFile(id_);
            publish_(job->index, std::move(outcome));
        }
        doc.RemoveView(this);
        doc.AttachFrame(nullptr);
        doc_ = nullptr;
    }
    std::lock_guard lock(loopMutex_);
    loop_.reset();
}

void ConversionWorker::Interrupt() {
    interrupted_ = true;
    std::lock_guard lock(loopMutex_);
    if (!loop_) return;
    loop_->Post([this] {
        if (doc_ && doc_->IsRunActive()) doc_->CancelRun();
    });
}

FileOutcome ConversionWorker::Handle(CvemoraDoc& doc, const FileJob& job) {
    FileOutcome outcome;
    outcome.source = job.path;
    records_.clear();
    streamingFailed_ = false;

    std::error_code ec;
    if (std::filesystem::is_directory(job.path, ec)) {
        outcome.kind = OutcomeKind::Refused;
        LogRecord record;
        record.text = "\"" + job.path + "\" is a folder, not an audio file.";
        record.isError = true;
        record.code = LOG_ERROR;
        outcome.records.push_back(record);
        return outcome;
    }

    const bool added = doc.AddFile(job.path, FileStatus::Idle);
    const AudioDataPtr entry = doc.FindEntry(job.path);
    if (!added || !entry) {
        outcome.kind = settings_.listOnly ? OutcomeKind::Probed : OutcomeKind::Refused;
        outcome.records = std::move(records_);
        if (settings_.listOnly) outcome.format.clear();  // ERROR in the listing
        return outcome;
    }
    outcome.format = entry->format;
    outcome.duration = entry->duration;

    if (settings_.listOnly) {
        outcome.kind = OutcomeKind::Probed;
    } else {
        doc.CheckEntry(job.path);
        runEnded_ = false;
        doc.StartOrContinueRun();
        WaitForRunEnd(doc);
        if (interrupted_ && entry->status != FileStatus::Converted) {
            outcome.kind = OutcomeKind::Cancelled;
        } else if (entry->status == FileStatus::Converted && !streamingFailed_) {
            outcome.kind = OutcomeKind::Converted;
            outcome.output = doc.FinalPath();
        } else {
            outcome.kind = OutcomeKind::Failed;
        }
    }
    doc.RemoveEntry(job.path);
    outcome.records = std::move(records_);
    records_.clear();
    return outcome;
}

void ConversionWorker::WaitForRunEnd(CvemoraDoc& doc) {
    if (doc.IsRunActive()) {
        inRun_ = true;
        if (!runEnded_) loop_->Exec();
        inRun_ = false;
    }
    // A run that ended at once (a failed build) has its end message still queued.
    loop_->Pump(0);
}

void ConversionWorker::OnConversionProgress(int fileNumber, int fileCount) {
    if (fileNumber != 0 || fileCount != 0) return;
    runEnded_ = true;
    if (inRun_) loop_->Quit();
}

void ConversionWorker::ShowMessage(const std::string& text, MessageIcon icon) {
    LogRecord record;
    record.text = text;
    record.isError = icon == MessageIcon::Error;
    record.code = record.isError ? LOG_ERROR : LOG_NOTICE;
    if (text == texts::kConversionError && doc_) {
        // The streaming failure behind the message, when the graph gave one.
        if (const int32_t failure = doc_->LastStreamingError(); failure < 0) {
            record.errorNumber = failure;
        }
    }
    records_.push_back(record);
    if (text == texts::kConversionError && doc_ && doc_->IsRunActive()) {
        // The desktop program waits for the user to cancel; a batch cancels the file itself
        // and reports it as failed.
        streamingFailed_ = true;
        CvemoraDoc* doc = doc_;
        loop_->Post([this, doc] {
            if (doc_ == doc && doc->IsRunActive()) doc->CancelRun();
        });
    }
}

void ConversionWorker::OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) {
    if (hint == HINT_LOG) {
        LogRecord record;
        if (!doc.TakeLogRecord(record)) return;
        // Selection notices speak of the list, which a batch does not show; the cancellation
        // of a failed file is part of its failure.
        if (record.code == LOG_SELECTION) return;
        if (record.code == LOG_CANCELLED && (streamingFailed_ || interrupted_)) return;
        records_.push_back(std::move(record));
    } else if (hint == HINT_ENTRY_PROGRESS && argument.entry) {
        batch_.SetPercent(id_, argument.entry->progress);
    }
}

}  // namespace tarnel::cli
