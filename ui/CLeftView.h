#pragma once
// The log window: the lower pane of the main window. It takes the document's log records one
// per HINT_LOG, filters them by "Logging Level", keeps at most "Logging Depth" rows (newest at
// the top, the oldest go), plays the log alert when "Sound Alerts" is on, and shows a reset
// notice (marker 3000) only right after a completed conversion. It never writes to the
// document. GUI thread only.
#include <QTableView>

#include <cstdint>
#include <optional>

#include "app/CvemoraDoc.h"
#include "app/DocumentView.h"
#include "ui/CommandTarget.h"
#include "ui/LogListModel.h"

class QMenu;

namespace tarnel::ui {

class CLeftView : public QTableView, public DocumentView, public CommandTarget {
public:
    static constexpr int32_t kFirstSequence = 1000;
    static constexpr uint32_t kMinimumDepth = 10;

    CLeftView(CvemoraDoc& doc, QWidget* parent = nullptr);

    const LogListModel& Model() const { return model_; }
    int32_t Level() const { return level_; }
    uint32_t Depth() const { return depth_; }
    bool ConvertedSeen() const { return convertedSeen_; }
    // The context menu while it is open (null otherwise).
    QMenu* OpenContextMenu() const;

    // DocumentView
    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;
    // CommandTarget: "&Clear All" (1092).
    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void TakeAndShow(int32_t marker);
    void Show(const LogRecord& record);
    void ReadDepth();
    void ClearAll();
    void ApplyColumnWidths(double remarksShare);

    CvemoraDoc& doc_;
    LogListModel model_;
    QMenu* menu_ = nullptr;  // child of the view
    int32_t level_ = 0;
    uint32_t depth_ = 100;
    int32_t sequence_ = kFirstSequence;
    bool convertedSeen_ = false;
};

}  // namespace tarnel::ui
