#include "app/SessionLoader.h"

#include <chrono>

#include "app/DocumentHost.h"
#include "settings/SettingsStore.h"

namespace tarnel {

namespace {

// The loader reads "Check items when added" before the loop and writes that value back after
// it, so the setting ends as it was. A value that could not be read is not written (a missing
// value reads as off, and writing that would turn ticking of new rows off), and a value that
// the general configuration changed during the load is kept.
class CheckItemsWriteBack {
public:
    CheckItemsWriteBack() { read_ = SettingsStore().ReadCheckItemsWhenAdded(value_); }
    ~CheckItemsWriteBack() {
        if (!read_) return;
        SettingsStore store;
        bool now = value_;
        if (store.ReadCheckItemsWhenAdded(now) && now != value_) return;
        (void)store.WriteCheckItemsWhenAdded(value_);  // a failed write leaves the stored value
    }
    CheckItemsWriteBack(const CheckItemsWriteBack&) = delete;
    CheckItemsWriteBack& operator=(const CheckItemsWriteBack&) = delete;

private:
    bool read_ = false;
    bool value_ = false;
};

}  // namespace

int SessionLoader::Run(const EntryDone& onEntry) {
    CheckItemsWriteBack writeBack;
    int listed = 0;
    {
        WaitCursor wait(doc_.Host());
        for (;;) {
            // Dispatching before taking the next entry keeps the order even when a dispatched
            // WM_LOAD_PENDING runs another loop: that one takes the rest, in order, and this
            // one then finds nothing left.
            doc_.Pump(10);
            const std::optional<PendingEntry> next = doc_.TakeNextPending();
            if (!next) break;
            view_.ResetRowAdded();
            view_.SetRowTickMode(next->ticked ? RowTickMode::Tick : RowTickMode::Untick);
            const bool added = doc_.AddFile(next->entry->path, next->entry->status);
            if (added) {
                ++listed;
                WaitForRow();
            }
            view_.AfterPendingEntry();
            if (onEntry) onEntry(*next, added);
        }
        doc_.SetModifiedFlag(false);
        view_.SetRowTickMode(RowTickMode::FollowSetting);
    }
    return listed;
}

void SessionLoader::WaitForRow() {
    // A view that renders hints synchronously has inserted the row already; one that defers it
    // gets events dispatched until it has, but a view that never answers cannot stall the load.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(rowWaitMs_);
    while (!view_.RowAdded() && std::chrono::steady_clock::now() < deadline) {
        doc_.RunEventsFor(10);
    }
}

}  // namespace tarnel
