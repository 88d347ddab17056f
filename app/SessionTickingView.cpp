#include "app/SessionTickingView.h"

#include <algorithm>

#include "settings/SettingsStore.h"

namespace tarnel {

SessionTickingView::SessionTickingView(CvemoraDoc& doc) : doc_(doc) {
    ReadTickNewRows();
    doc_.AddView(this);
    doc_.AttachLoadView(this);
}

SessionTickingView::~SessionTickingView() {
    doc_.AttachLoadView(nullptr);
    doc_.RemoveView(this);
}

void SessionTickingView::ReadTickNewRows() {
    // The store's flag rule: a missing value reads as off, an unreachable store keeps the flag.
    (void)SettingsStore().ReadCheckItemsWhenAdded(tickNewRows_);
}

void SessionTickingView::OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) {
    switch (hint) {
        case HINT_CLEARED:
            ticked_.clear();
            break;
        case HINT_ENTRY_ADDED: {
            if (!argument.entry) break;
            const bool tick = tickMode_ == RowTickMode::Tick ||
                              (tickMode_ == RowTickMode::FollowSetting && tickNewRows_);
            if (tick &&
                std::find(ticked_.begin(), ticked_.end(), argument.entry) == ticked_.end()) {
                ticked_.push_back(argument.entry);
                doc.CheckEntry(argument.entry->path);
            }
            rowAdded_ = true;
            break;
        }
        case HINT_SETTINGS:
            ReadTickNewRows();
            break;
        default:
            break;
    }
}

void SessionTickingView::OnLoadPending() {
    ++loadsRun_;
    SessionLoader(doc_, *this).Run(onEntry_);
}

}  // namespace tarnel
