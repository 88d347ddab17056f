#pragma once
// Placeholder of the file list, carried until the file list branch replaces it. It has the
// shared signatures and does what the frame and the session load need: a row per entry with a
// tick box (ticked by the stored tick during a load, else by "Check items when added"), the
// status column, the ticks mirrored into the document, and WM_LOAD_PENDING at its first show.
#include <functional>
#include <string>
#include <vector>

#include "app/CvemoraDoc.h"
#include "app/DocumentView.h"
#include "app/SessionLoadView.h"
#include "ui/CListViewEx.h"
#include "ui/CommandTarget.h"

class QStandardItemModel;

namespace tarnel::ui {

class CvemoraView : public CListViewEx,
                    public DocumentView,
                    public SessionLoadView,
                    public CommandTarget {
public:
    CvemoraView(CvemoraDoc& doc, QWidget* parent = nullptr);

    void ClearRowProgress() {}
    void SetPlaySelectionHandler(std::function<void(const std::vector<std::string>&)> handler) {
        playSelection_ = std::move(handler);
    }
    void PlaySelection();

    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;
    void OnLoadPending() override;
    void SetRowTickMode(RowTickMode mode) override { tickMode_ = mode; }
    void ResetRowAdded() override { rowAdded_ = false; }
    bool RowAdded() const override { return rowAdded_; }

    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int RowOf(const AudioData* entry) const;

    CvemoraDoc& doc_;
    QStandardItemModel* model_;
    std::function<void(const std::vector<std::string>&)> playSelection_;
    RowTickMode tickMode_ = RowTickMode::FollowSetting;
    bool rowAdded_ = false;
    bool shown_ = false;
    bool filling_ = false;  // rows changed by the program, not by the user
};

}  // namespace tarnel::ui
