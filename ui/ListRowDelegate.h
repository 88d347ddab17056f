#pragma once
// Draws the cells of a CListViewEx: the row's background (highlight when selected, the
// alternating row colours otherwise), the check box and the file icon of the first column,
// labels shortened with an ellipsis to the column width less 20 pixels and drawn 10 pixels in
// (a shortened label is left-aligned, a whole one follows its column's alignment), and a row's
// progress bar over its progress column. GUI thread only.
#include <QStyledItemDelegate>

namespace tarnel::ui {

class CListViewEx;

class ListRowDelegate : public QStyledItemDelegate {
public:
    // `progressColumn` is the column a row's progress bar covers.
    ListRowDelegate(CListViewEx& view, int progressColumn);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // The check box and the icon of a first-column cell, and where its label starts.
    struct Layout {
        QRect check;
        QRect icon;
        int labelLeft = 0;
    };
    static Layout FirstColumnLayout(const QRect& cell);

private:
    CListViewEx& view_;
    int progressColumn_;
};

}  // namespace tarnel::ui
