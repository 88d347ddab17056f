#pragma once
// The file list: the upper pane of the main window, one row per listed file with its tick box,
// name, format, duration and status. It renders the document's hints, turns clicks, commands
// and dropped files into document operations, shows the converting file's progress in its row,
// sorts by column and adds the entries of an opened session one by one (WM_LOAD_PENDING).
//
// The view's ticked rows are its own record, mirrored into the document: every toggle is
// followed by exactly one CheckEntry or UncheckEntry. GUI thread only; the document's hints
// arrive synchronously inside its operations.
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CvemoraDoc.h"
#include "app/DocumentView.h"
#include "app/SessionLoadView.h"
#include "ui/CListViewEx.h"
#include "ui/CommandTarget.h"
#include "ui/FileListModel.h"

class QMenu;

namespace tarnel::ui {

// The frame registers the view with the document (AddView, AttachLoadView) and removes it
// again before either goes away.
class CvemoraView : public CListViewEx,
                    public DocumentView,
                    public SessionLoadView,
                    public CommandTarget {
public:
    CvemoraView(CvemoraDoc& doc, QWidget* parent = nullptr);  // registers nothing itself

    // End of a run (the frame, on progress (0, 0)): every row bar goes, headers sort again.
    void ClearRowProgress();
    // "&Play Selection" (145): the paths go to this handler.
    void SetPlaySelectionHandler(std::function<void(const std::vector<std::string>&)> handler);
    // The 145 command: the selected rows' paths in list order, all rows' when none is selected.
    void PlaySelection();

    // A header click on the column: sorts unless a run shows progress.
    void OnHeaderClick(int column);
    // Adds dropped files by the drop rule: one session file alone is declined; files with the
    // extensions .wma, .ogg, .mp3 and .wav are added one by one, others skipped silently.
    void AddDroppedFiles(const std::vector<std::string>& paths);

    const FileListModel& Model() const { return model_; }
    bool HasConverted() const { return hasConverted_; }
    bool ProgressShown() const { return progressShown_; }
    int SortColumn() const { return sortColumn_; }
    bool SortFlag() const { return sortFlag_; }
    RowTickMode TickMode() const { return tickMode_; }
    // The context menu while it is open (null otherwise).
    QMenu* OpenContextMenu() const;

    // DocumentView
    void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) override;
    // SessionLoadView
    void OnLoadPending() override;
    void SetRowTickMode(RowTickMode mode) override { tickMode_ = mode; }
    void ResetRowAdded() override { rowAdded_ = false; }
    bool RowAdded() const override { return rowAdded_; }
    // CommandTarget
    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

protected:
    int RowOfEntry(const AudioData* entry) const override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ReadSettings();
    void HoldRepaints();
    void ApplyColumnWidths();
    // Flips the row's tick in the view's record and mirrors it into the document.
    void Toggle(int row);
    void ToggleRows(const std::vector<int>& rows);
    // The rows (in list order, or among the given ones) that pass the test.
    std::vector<int> RowsWhere(const std::function<bool(const FileRow&)>& test,
                               const std::vector<int>* among = nullptr) const;
    // Rows in list order.
    std::vector<int> SelectedRows() const;
    void ShowContextMenu(const QPoint& viewportPos);
    bool OnCheckBox(const QPoint& viewportPos, int* row) const;
    // Removes the rows' entries from the document, then the rows.
    void RemoveRows(const std::vector<int>& rows);

    void SelectAll();
    void UnselectAll();
    void InvertSelection();
    void CheckSelection();
    void UncheckSelection();
    void RemoveSelection();
    void RemoveConverted();

    CvemoraDoc& doc_;
    FileListModel model_;
    QMenu* menu_ = nullptr;  // child of the view
    std::function<void(const std::vector<std::string>&)> playSelection_;
    bool hasConverted_ = false;
    bool progressShown_ = false;
    int sortColumn_ = -1;
    bool sortFlag_ = false;
    bool tickNewRows_ = true;
    RowTickMode tickMode_ = RowTickMode::FollowSetting;
    bool rowAdded_ = false;
    bool firstShown_ = false;
    QTimer repaintHold_;  // while active, the list does not repaint
};

}  // namespace tarnel::ui
