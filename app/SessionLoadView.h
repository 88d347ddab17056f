#pragma once
// The list view's side of loading a session. Opening a session file only reads the stored
// entries into the document's pending lists; then the document posts WM_LOAD_PENDING to the
// list view, whose handler runs a SessionLoader. The loader adds each pending entry through
// the normal AddFile path and asks the view to tick the new row by the stored tick instead of
// the "Check items when added" setting. Called on the document's thread only.
#include <string_view>

#include "app/FileStatus.h"

namespace tarnel {

// WM_LOAD_PENDING: a queued call of SessionLoadView::OnLoadPending.
inline constexpr int kLoadPendingMessage = 1650;

// How the view ticks the next row it adds.
enum class RowTickMode {
    Untick = 0,         // a session entry stored unticked
    Tick = 1,           // a session entry stored ticked
    FollowSetting = 2,  // "Check items when added": every row outside a session load
};

class SessionLoadView {
public:
    virtual ~SessionLoadView() = default;

    // WM_LOAD_PENDING: runs a SessionLoader over the document's pending entries. Posted by the
    // document after every open, and by the view to itself when it is first shown.
    virtual void OnLoadPending() = 0;

    // Sets how the next row is ticked. A row the view ticks is reported with CheckEntry.
    virtual void SetRowTickMode(RowTickMode mode) = 0;
    // The handshake with the view's handling of HINT_ENTRY_ADDED: forgotten before each entry,
    // true once the view has inserted the row for the entry just added.
    virtual void ResetRowAdded() = 0;
    virtual bool RowAdded() const = 0;
    // After each entry: repaint the list and run the framework's idle processing once.
    virtual void AfterPendingEntry() {}
};

// The "Status" column's text for a row: only Converted and Error have their own; every other
// stored code (Playing and Converting saved in a session among them) reads "Idle".
inline std::string_view ListedStatusText(FileStatus status) {
    if (status == FileStatus::Converted) return "Converted";
    if (status == FileStatus::Error) return "Error";
    return "Idle";
}

}  // namespace tarnel
