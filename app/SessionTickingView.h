#pragma once
// A list view without rows: it ticks added entries the way the desktop list view does (by the
// stored tick during a session load, by "Check items when added" otherwise), mirrors each tick
// into the document with CheckEntry, and answers WM_LOAD_PENDING with the session load loop.
// The command-line converter uses it where the desktop program has its list view; it removes no
// rows, so it suits documents whose entries are only added and cleared. Document thread only.
#include <functional>
#include <vector>

#include "app/CvemoraDoc.h"
#include "app/DocumentView.h"
#include "app/SessionLoadView.h"
#include "app/SessionLoader.h"

namespace tarnel {

class SessionTickingView : public DocumentView, public SessionLoadView {
public:
    // Attaches itself to the document as a view and as the receiver of WM_LOAD_PENDING, and
    // reads "Check items when added".
    explicit SessionTickingView(CvemoraDoc& doc);
    ~SessionTickingView() override;
    SessionTickingView(const SessionTickingView&) = delete;
    SessionTickingView& operator=(const SessionTickingView&) = delete;

    // Called for every entry of each load loop this view runs.
    void SetEntryDone(SessionLoader::EntryDone onEntry) { onEntry_ = std::move(onEntry); }

    // The ticked entries in order of ticking.
    const std::vector<AudioDataPtr>& TickedRows() const { return ticked_; }
    RowTickMode TickMode() const { return tickMode_; }
    bool TickNewRows() const { return tickNewRows_; }
    // Load loops run so far.
    int LoadsRun() const { return loadsRun_; }

    // DocumentView
    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;
    // SessionLoadView
    void OnLoadPending() override;
    void SetRowTickMode(RowTickMode mode) override { tickMode_ = mode; }
    void ResetRowAdded() override { rowAdded_ = false; }
    bool RowAdded() const override { return rowAdded_; }

private:
    void ReadTickNewRows();

    CvemoraDoc& doc_;
    SessionLoader::EntryDone onEntry_;
    std::vector<AudioDataPtr> ticked_;
    RowTickMode tickMode_ = RowTickMode::FollowSetting;
    bool tickNewRows_ = true;
    bool rowAdded_ = false;
    int loadsRun_ = 0;
};

}  // namespace tarnel
