#include "settings/dialogs/ElidedPathLabel.h"

#include <QPainter>
#include <QStyle>

namespace tarnel::dialogs {

ElidedPathLabel::ElidedPathLabel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMargin(2);
}

QString ElidedPathLabel::ElidedText(int width) const {
    const QString path = text();
    const QFontMetrics metrics(font());
    if (metrics.horizontalAdvance(path) <= width) return path;
    const qsizetype cut = path.lastIndexOf(u'/', path.size() - 2);
    if (cut > 0) {
        const QString tail = path.mid(cut);
        const int room = width - metrics.horizontalAdvance(tail);
        if (room > metrics.horizontalAdvance(QStringLiteral("\u2026")) * 2) {
            return metrics.elidedText(path.left(cut), Qt::ElideRight, room) + tail;
        }
    }
    return metrics.elidedText(path, Qt::ElideMiddle, width);
}

QSize ElidedPathLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int frame = 2 * (frameWidth() + margin());
    return {metrics.averageCharWidth() * 40 + frame, metrics.height() + frame};
}

QSize ElidedPathLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    const int frame = 2 * (frameWidth() + margin());
    return {metrics.averageCharWidth() * 8 + frame, metrics.height() + frame};
}

void ElidedPathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          ElidedText(area.width()), foregroundRole());
}

}  // namespace tarnel::dialogs
