#include "ui/CListViewEx.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "ui/controls/CThemeHelper.h"

namespace tarnel::ui {

CListViewEx::CListViewEx(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    // Uniform rows: the header then needs no per-row layout work for long lists.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(qMax(fontMetrics().height() + 6, 20));
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    RecomputeColours();
}

void CListViewEx::RecomputeColours() {
    if (CThemeHelper::IsThemeActive()) {
        const QPalette& pal = palette();
        colours_.text = pal.color(QPalette::Text);
        colours_.evenRow = pal.color(QPalette::Base);
        colours_.oddRow = pal.color(QPalette::AlternateBase);
        colours_.listBack = pal.color(QPalette::Base);
    } else {
        // The fixed set is light, so its text is dark whatever the desktop's theme.
        colours_.text = QColor(Qt::black);
        colours_.evenRow = QColor(kPlainEvenRow);
        colours_.oddRow = QColor(kPlainOddRow);
        colours_.listBack = QColor(kPlainListBack);
    }
    QPalette vp = viewport()->palette();
    vp.setColor(QPalette::Base, colours_.listBack);
    viewport()->setPalette(vp);
    viewport()->update();
}

void CListViewEx::AddRowProgress(const AudioDataPtr& entry) {
    if (!entry) return;
    rowProgress_[entry.get()] = RowBar{entry, ProgressState{}};
    RepaintRow(RowOfEntry(entry.get()));
}

void CListViewEx::RemoveRowProgress(const AudioDataPtr& entry) {
    if (entry && rowProgress_.erase(entry.get()) != 0) viewport()->update();
}

void CListViewEx::RemoveAllRowProgress() {
    if (rowProgress_.empty()) return;
    rowProgress_.clear();
    viewport()->update();
}

bool CListViewEx::SetRowProgress(const AudioDataPtr& entry, int percent) {
    const auto it = rowProgress_.find(entry.get());
    if (!entry || it == rowProgress_.end()) return false;
    ProgressState& bar = it->second.state;
    const ProgressState before = bar;
    bar.pos = percent;
    if (percent != 0) bar.text = QStringLiteral("Converting: %1%").arg(percent);
    if (bar.pos != before.pos || bar.text != before.text) RepaintRow(RowOfEntry(entry.get()));
    return true;
}

const ProgressState* CListViewEx::RowProgress(const AudioData* entry) const {
    const auto it = rowProgress_.find(entry);
    return it == rowProgress_.end() ? nullptr : &it->second.state;
}

void CListViewEx::RepaintRow(int row) {
    if (row < 0 || !model() || row >= model()->rowCount()) return;
    const QModelIndex first = model()->index(row, 0);
    QRect rect = visualRect(first);
    rect.setLeft(0);
    rect.setRight(viewport()->width());
    viewport()->update(rect);
}

void CListViewEx::RepaintSelectedRows() {
    if (!selectionModel()) return;
    for (const QModelIndex& index : selectionModel()->selectedRows()) RepaintRow(index.row());
}

void CListViewEx::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!model() || model()->rowCount() == 0) return;
    QPainter painter(viewport());
    const int lastColumn = model()->columnCount() - 1;
    const int stripLeft = columnViewportPosition(lastColumn) + columnWidth(lastColumn);
    const int width = viewport()->width();
    const int top = qMax(0, rowAt(event->rect().top()));
    int bottom = rowAt(event->rect().bottom());
    if (bottom < 0) bottom = model()->rowCount() - 1;
    const QModelIndex current = currentIndex();
    for (int row = top; row <= bottom; ++row) {
        const int y = rowViewportPosition(row);
        const int h = rowHeight(row);
        // The whole row is filled up to the client's right edge, so a highlight is complete.
        if (stripLeft < width) {
            const bool selected =
                selectionModel() && selectionModel()->isRowSelected(row, rootIndex());
            painter.fillRect(QRect(stripLeft, y, width - stripLeft, h),
                             selected ? palette().color(QPalette::Highlight) : RowColour(row));
        }
        if (hasFocus() && current.isValid() && current.row() == row) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = QRect(0, y, qMax(width, stripLeft), h);
            focus.backgroundColor = palette().color(QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void CListViewEx::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        RecomputeColours();
    }
}

void CListViewEx::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    RepaintSelectedRows();
}

void CListViewEx::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    RepaintSelectedRows();
}

}  // namespace tarnel::ui
