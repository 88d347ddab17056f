#include "ui/ListRowDelegate.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

#include "ui/CListViewEx.h"
#include "ui/controls/CXPTextProgCtrl.h"

namespace tarnel::ui {

namespace {

constexpr int kIconSize = 16;
constexpr int kCheckSize = 16;
constexpr int kLabelInset = 10;  // the label starts 10 pixels in and keeps 10 pixels spare

}  // namespace

ListRowDelegate::ListRowDelegate(CListViewEx& view, int progressColumn)
    : QStyledItemDelegate(&view), view_(view), progressColumn_(progressColumn) {}

ListRowDelegate::Layout ListRowDelegate::FirstColumnLayout(const QRect& cell) {
    Layout layout;
    const int top = cell.top() + (cell.height() - kCheckSize) / 2;
    layout.check = QRect(cell.left() + 2, top, kCheckSize, kCheckSize);
    layout.icon = QRect(layout.check.right() + 4, cell.top() + (cell.height() - kIconSize) / 2,
                        kIconSize, kIconSize);
    layout.labelLeft = layout.icon.right() + 1;
    return layout;
}

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QWidget* widget = &view_;
    QStyle* style = widget->style();
    const bool selected = opt.state & QStyle::State_Selected;
    // The list always shows its selection, also without the focus.
    const QPalette::ColorGroup group =
        widget->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    const QColor back =
        selected ? opt.palette.color(group, QPalette::Highlight) : view_.RowColour(index.row());
    const QColor fore =
        selected ? opt.palette.color(group, QPalette::HighlightedText) : view_.RowColours().text;

    painter->save();
    painter->fillRect(opt.rect, back);

    QRect label = opt.rect;
    if (index.column() == 0) {
        const Layout layout = FirstColumnLayout(opt.rect);
        if (opt.features & QStyleOptionViewItem::HasCheckIndicator) {
            QStyleOptionViewItem check(opt);
            check.rect = layout.check;
            check.state &= ~QStyle::State_HasFocus;
            check.state |= opt.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
            style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, widget);
        }
        if (!opt.icon.isNull()) {
            opt.icon.paint(painter, layout.icon, Qt::AlignCenter,
                           selected ? QIcon::Selected : QIcon::Normal);
        }
        label.setLeft(layout.labelLeft);
    }

    const auto entry =
        reinterpret_cast<const AudioData*>(index.data(CListViewEx::kEntryRole).value<quintptr>());
    const ProgressState* bar =
        index.column() == progressColumn_ && entry ? view_.RowProgress(entry) : nullptr;
    if (bar) {
        // Over the whole cell less 4 pixels at the right, 1 pixel in at top and bottom.
        CXPTextProgCtrl::PaintBar(*painter, opt.rect.adjusted(0, 1, -4, -1), *bar, widget);
    } else {
        const int width = label.width() - 2 * kLabelInset;
        const QString shortened =
            opt.fontMetrics.elidedText(opt.text, Qt::ElideRight, qMax(width, 0));
        Qt::Alignment align = opt.displayAlignment & Qt::AlignHorizontal_Mask;
        if (shortened != opt.text) align = Qt::AlignLeft;
        painter->setPen(fore);
        painter->setFont(opt.font);
        const QRect textRect = label.adjusted(kLabelInset, 0, -kLabelInset, 0);
        painter->drawText(textRect, static_cast<int>(align | Qt::AlignVCenter | Qt::TextSingleLine),
                          shortened);
    }
    painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), kIconSize + 4));
    return size;
}

bool ListRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    // Mouse clicks on the check box are taken by the view when the button goes down (a click
    // there toggles and does not select); the keyboard's toggle goes through the base class.
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return false;
        default:
            return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
}

}  // namespace tarnel::ui
