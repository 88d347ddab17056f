#pragma once
// The load loop of an opened session: the body of the list view's WM_LOAD_PENDING handler.
// It takes the document's pending entries one by one and adds each through AddFile with its
// stored status (so every stored file is probed again, duplicates are skipped and unreadable
// files are logged), with the view ticking the new row by the stored tick. Window messages are
// dispatched between entries, so commands and repaints run during a long load; each entry
// leaves the document consistent. Afterwards the document is not modified and the view ticks
// new rows by the "Check items when added" setting again.
//
// Document thread only. The desktop list view and the command-line converter both drive it.
#include <functional>

#include "app/CvemoraDoc.h"
#include "app/SessionLoadView.h"

namespace tarnel {

class SessionLoader {
public:
    // Told after each pending entry whether AddFile listed it.
    using EntryDone = std::function<void(const PendingEntry& pending, bool listed)>;

    SessionLoader(CvemoraDoc& doc, SessionLoadView& view) : doc_(doc), view_(view) {}

    // Adds every pending entry; returns how many were listed.
    int Run(const EntryDone& onEntry = {});

    // How long the loop waits for the view to insert a row before it goes on without it.
    void SetRowWaitMilliseconds(int milliseconds) { rowWaitMs_ = milliseconds; }

private:
    void WaitForRow();

    CvemoraDoc& doc_;
    SessionLoadView& view_;
    int rowWaitMs_ = 5000;
};

}  // namespace tarnel
