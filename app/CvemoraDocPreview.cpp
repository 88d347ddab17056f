// Preview playback: the play list, the Play, Pause and Stop commands, the preview graph's
// events and the volume. The document's own PreviewPlayer serves the PreviewControl hooks.
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/CvemoraDoc.h"
#include "app/DocumentTexts.h"

namespace tarnel {

class CvemoraDoc::OwnPreviewControl final : public PreviewControl {
public:
    explicit OwnPreviewControl(CvemoraDoc& doc) : doc_(doc) {}
    void StopPlayer() override { doc_.StopPreviewPlayer(); }
    void PlayEntry(const std::string& path) override { doc_.PlayEntry(path); }

private:
    CvemoraDoc& doc_;
};

void CvemoraDoc::AttachPreview(PreviewControl* preview) {
    if (!preview) {
        if (!ownPreview_) ownPreview_ = std::make_unique<OwnPreviewControl>(*this);
        preview = ownPreview_.get();
    }
    preview_ = preview;
}

void CvemoraDoc::StopPreviewPlayer() {
    (void)player_->Stop();  // S_OK or "no graph"; either way nothing plays any more
    ++previewGeneration_;   // a completion queued before the stop is not acted on
}

// The previewed entry gets back its saved status; only Converted survives a preview.
void CvemoraDoc::RestorePreviewedStatus() {
    const AudioDataPtr entry = previewEntry_;
    if (!entry || (entry->status != FileStatus::Playing && entry->status != FileStatus::Paused)) {
        return;
    }
    entry->status =
        savedPreviewStatus_ == FileStatus::Converted ? FileStatus::Converted : FileStatus::Idle;
    SendStatus(entry);
}

void CvemoraDoc::AdvancePlayList() {
    ++playIndex_;
    if (playIndex_ >= static_cast<int>(playList_.size())) {
        flags_->SetPreviewIdle();
        playIndex_ = -1;
        return;
    }
    previewEntry_.reset();
    savedPreviewStatus_ = FileStatus::NoStatus;
    if (preview_) preview_->PlayEntry(playList_[static_cast<size_t>(playIndex_)]);
}

void CvemoraDoc::PlayPaths(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    playList_ = paths;
    playIndex_ = 0;
    PlayEntry(playList_.front());
}

void CvemoraDoc::PlayEntry(const std::string& path) {
    const AudioDataPtr entry = FindEntry(path);
    if (!entry) {
        AdvancePlayList();  // removed after the play list was made
        return;
    }
    try {
        // An entry left Playing by a start that failed to run gets its status back before
        // another one takes the preview slot.
        RestorePreviewedStatus();
        HRESULT released = S_OK;
        if (player_->IsOpen()) {
            released = player_->Stop();
            player_->Release();
        }
        const uint64_t generation = ++previewGeneration_;
        DocumentLoop* loop = loop_.get();
        // The build result is not examined: a graph that could not be built does not run.
        (void)player_->Open(
            path,
            [this, loop, generation](int32_t) {
                // A graph thread: only hops to the document's thread.
                loop->Post([this, generation] { DrainPreviewEvents(generation); });
            },
            kPreviewEventMessage);
        const HRESULT ran = player_->Run();
        if (SUCCEEDED(released) && SUCCEEDED(ran)) {
            previewPaused_ = false;
            flags_->canPlay = false;
            flags_->canPause = true;
            flags_->canStop = true;
        }
        previewEntry_ = entry;
        savedPreviewStatus_ = entry->status;
        entry->status = FileStatus::Playing;
        SendStatus(entry);
    } catch (const std::exception&) {
        host_.ShowMessage(texts::PlaybackFailed(path), MessageIcon::Error);
    }
}

void CvemoraDoc::DrainPreviewEvents(uint64_t generation) {
    if (generation != previewGeneration_) return;  // an older preview's notice
    for (const int32_t code : player_->TakeEvents()) {
        if (generation != previewGeneration_) return;  // an earlier event ended this preview
        if (code == kEventComplete) {
            OnPreviewEvent(0);
        } else if (code == kEventUserAbort || code == kEventErrorAbort) {
            OnPreviewEvent(-1);
        }
    }
}

void CvemoraDoc::OnPreviewEvent(int result) {
    if (result == -1) {
        // The entry stays Playing until the user stops.
        host_.ShowMessage(std::string(texts::kPlaybackError), MessageIcon::Error);
        return;
    }
    if (playIndex_ == -1) return;  // nothing is being previewed any more
    StopPreviewPlayer();
    RestorePreviewedStatus();
    AdvancePlayList();
}

void CvemoraDoc::OnPlayCommand() {
    if (!previewPaused_) {
        if (playSelection_) playSelection_();
        return;
    }
    (void)player_->Run();  // the paused graph goes on where it stopped
    previewPaused_ = false;
    flags_->canPlay = false;
    flags_->canPause = true;
    flags_->canStop = true;
    if (previewEntry_) {
        previewEntry_->status = FileStatus::Playing;
        SendStatus(previewEntry_);
    }
}

void CvemoraDoc::OnPauseCommand() {
    player_->Pause();
    previewPaused_ = true;
    flags_->canPlay = true;
    flags_->canPause = false;
    flags_->canStop = true;
    if (previewEntry_) {
        previewEntry_->status = FileStatus::Paused;
        SendStatus(previewEntry_);
    }
}

void CvemoraDoc::OnStopCommand() {
    StopPreviewPlayer();  // the graph stays built until the next play
    flags_->SetPreviewIdle();
    playIndex_ = -1;
    previewPaused_ = false;
    if (previewEntry_) {
        previewEntry_->status =
            savedPreviewStatus_ == FileStatus::Converted ? FileStatus::Converted : FileStatus::Idle;
        SendStatus(previewEntry_);
    }
    savedPreviewStatus_ = FileStatus::NoStatus;
}

void CvemoraDoc::SetPreviewVolume(int sliderPosition) {
    const int position = std::clamp(sliderPosition, 1, 1000);
    const double decibels = 20.0 * std::log10(position * 0.001);
    player_->SetVolume(static_cast<int32_t>(std::trunc(decibels)));
}

}  // namespace tarnel
