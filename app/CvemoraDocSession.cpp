// The session file side of the document: saving the list to a compound file, opening one into
// the pending lists, and handing the pending entries out to the list view's load loop.

#include <unordered_set>

#include "app/CvemoraDoc.h"
#include "app/SessionLoadView.h"
#include "app/SessionStream.h"
#include "app/SessionTexts.h"
#include "platform/storage/CompoundFile.h"

namespace tarnel {

bool CvemoraDoc::SaveSession(const std::string& fileName) {
    const std::unordered_set<const AudioData*> ticked = [this] {
        std::unordered_set<const AudioData*> set;
        for (const auto& entry : checkedEntries_) set.insert(entry.get());
        return set;
    }();
    std::vector<SessionRecord> records;
    records.reserve(entries_.size());
    for (const auto& entry : entries_) {
        SessionRecord record;
        record.path = entry->path;
        record.status = entry->status;
        record.ticked = ticked.contains(entry.get());
        records.push_back(std::move(record));
    }

    // The old file is replaced only once the new one is complete and on disk.
    const HRESULT result =
        CompoundFile::WriteSingleStream(fileName, kSessionStreamName, EncodeSessionStream(records));
    if (FAILED(result)) {
        // Without a main window there is nobody to tell.
        if (frame_) host_.ShowMessage(texts::SaveSessionFailed(result), MessageIcon::Error);
        return false;
    }
    modified_ = false;
    return true;
}

bool CvemoraDoc::OpenSession(const std::string& fileName) {
    DeleteContents();
    WaitCursor wait(host_);
    if (frame_) host_.RepaintMainWindow();
    const uint64_t generation = contentsGeneration_;

    std::vector<uint8_t> bytes;
    bool found = false;
    const HRESULT result = CompoundFile::ReadStream(fileName, kSessionStreamName, bytes, found);
    if (FAILED(result)) {
        host_.ShowMessage(texts::OpenSessionFailed(result), MessageIcon::Error);
        PostLoadPending();
        return false;
    }
    if (!found) {
        // A compound file without the session stream: nothing to load, and nothing shown.
        PostLoadPending();
        return false;
    }

    // A short or damaged stream yields the records that were read; that is not reported.
    DecodedSession decoded = DecodeSessionStream(bytes);
    bytes = {};
    // The lists are filled aside and published at the end: the events dispatched in between
    // may run a load loop, which must not see (and empty) a half-filled list.
    std::vector<AudioDataPtr> pending;
    std::vector<AudioDataPtr> pendingChecked;
    pending.reserve(decoded.records.size());
    for (SessionRecord& record : decoded.records) {
        auto entry = std::make_shared<AudioData>();
        entry->path = std::move(record.path);
        entry->status = record.status;
        entry->progress = 0;
        if (record.ticked) pendingChecked.push_back(entry);
        pending.push_back(std::move(entry));
        Pump(20);
        // A new session or another open while events were dispatched: that one stands.
        if (contentsGeneration_ != generation) return false;
    }
    pendingLoad_ = std::move(pending);
    pendingLoadChecked_ = std::move(pendingChecked);
    nextPendingChecked_ = 0;
    modified_ = false;
    nextPendingIndex_ = pendingLoad_.empty() ? -1 : 0;
    PostLoadPending();
    return true;
}

std::optional<PendingEntry> CvemoraDoc::TakeNextPending() {
    if (nextPendingIndex_ >= 0 && nextPendingIndex_ < std::ssize(pendingLoad_)) {
        PendingEntry next{pendingLoad_[static_cast<size_t>(nextPendingIndex_)], false};
        // The ticked list is the same entries in the same order, so it is walked alongside.
        if (nextPendingChecked_ < pendingLoadChecked_.size() &&
            pendingLoadChecked_[nextPendingChecked_] == next.entry) {
            next.ticked = true;
            ++nextPendingChecked_;
        }
        ++nextPendingIndex_;
        return next;
    }
    ClearPendingLoad();
    return std::nullopt;
}

void CvemoraDoc::ClearPendingLoad() {
    nextPendingIndex_ = -1;
    nextPendingChecked_ = 0;
    pendingLoad_.clear();
    pendingLoadChecked_.clear();
}

void CvemoraDoc::PostLoadPending() {
    SessionLoadView* view = loadView_;
    if (!view) return;
    loop_->Post([this, view] {
        // The view may have been detached since the message was posted.
        if (loadView_ == view) view->OnLoadPending();
    });
}

}  // namespace tarnel
