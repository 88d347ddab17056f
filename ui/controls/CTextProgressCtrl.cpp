#include "ui/controls/CTextProgressCtrl.h"

#include <QPaintEvent>
#include <QPainter>

#include "ui/controls/CMemDC.h"

namespace tarnel::ui {

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QWidget(parent) {
    // Painting covers every pixel, so the background is never erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Progress"));
}

void CTextProgressCtrl::SetRange(int32_t min, int32_t max) {
    state_.min = min;
    state_.max = max;
    Refresh();
}

int CTextProgressCtrl::FilledWidth() const {
    return state_.vertical ? state_.FilledLength(height()) : state_.FilledLength(width());
}

int32_t CTextProgressCtrl::SetPos(int32_t pos) {
    const int32_t old = state_.pos;
    state_.pos = pos;
    const int filled = FilledWidth();
    if (filled != lastBarWidth_) {
        lastBarWidth_ = filled;
        repaint();
    }
    return old;
}

int32_t CTextProgressCtrl::OffsetPos(int32_t delta) {
    return SetPos(static_cast<int32_t>(int64_t{state_.pos} + delta));
}

int32_t CTextProgressCtrl::StepIt() {
    return OffsetPos(step_);
}

int32_t CTextProgressCtrl::SetStep(int32_t step) {
    return std::exchange(step_, step);
}

QColor CTextProgressCtrl::SetBarColour(const QColor& colour) {
    QColor old = std::exchange(state_.barColour, colour);
    Refresh();
    return old;
}

QColor CTextProgressCtrl::SetBkColour(const QColor& colour) {
    QColor old = std::exchange(state_.backColour, colour);
    Refresh();
    return old;
}

QColor CTextProgressCtrl::SetTextColour(const QColor& colour) {
    QColor old = std::exchange(state_.textColour, colour);
    Refresh();
    return old;
}

bool CTextProgressCtrl::SetShowText(bool show) {
    const bool old = std::exchange(state_.showText, show);
    if (old != show) Refresh();
    return old;
}

void CTextProgressCtrl::SetText(const QString& text) {
    if (text == state_.text) return;
    state_.text = text;
    Refresh();
}

void CTextProgressCtrl::SetVertical(bool vertical) {
    state_.vertical = vertical;
    Refresh();
}

void CTextProgressCtrl::Refresh() {
    lastBarWidth_ = -1;
    update();
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
    lastBarWidth_ = -1;
    QWidget::resizeEvent(event);
}

void CTextProgressCtrl::paintEvent(QPaintEvent* event) {
    CMemDC memDC(*this, event->rect(), palette().color(backgroundRole()));
    lastBarWidth_ = FilledWidth();
    PaintBarInto(memDC.Painter(), rect());
}

void CTextProgressCtrl::PaintBarInto(QPainter& painter, const QRect& rect) const {
    PaintPlain(painter, rect, state_, palette());
}

void CTextProgressCtrl::PaintPlain(QPainter& painter, const QRect& rect, const ProgressState& state,
                                   const QPalette& palette) {
    if (!state.HasRange() || rect.isEmpty()) return;
    const QColor bar =
        state.barColour.isValid() ? state.barColour : palette.color(QPalette::Highlight);
    const QColor empty =
        state.backColour.isValid() ? state.backColour : palette.color(QPalette::Base);

    QRect filled = rect;
    QRect rest = rect;
    if (state.vertical) {
        const int h = state.FilledLength(rect.height());
        filled.setTop(rect.bottom() + 1 - h);
        rest.setBottom(filled.top() - 1);
    } else {
        const int w = state.FilledLength(rect.width());
        filled.setWidth(w);
        rest.setLeft(rect.left() + w);
    }
    painter.save();
    if (!filled.isEmpty()) painter.fillRect(filled, bar);
    if (!rest.isEmpty()) painter.fillRect(rest, empty);

    if (state.showText && !state.vertical) {
        const QString text =
            state.text.isEmpty()
                ? QStringLiteral("%1%").arg(static_cast<int>(state.Fraction() * 100))
                : state.text;
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        // Over the bar the text takes the empty colour, over the rest the bar colour.
        const auto drawPart = [&](const QRect& part, const QColor& inverse) {
            if (part.isEmpty()) return;
            painter.setClipRect(part);
            painter.setPen(state.textColour.isValid() ? state.textColour : inverse);
            painter.drawText(rect, flags, text);
        };
        drawPart(filled, empty);
        drawPart(rest, bar);
    }
    painter.restore();
}

}  // namespace tarnel::ui
