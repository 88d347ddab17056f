#include "ui/controls/CXPTextProgCtrl.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include "ui/controls/CThemeHelper.h"

namespace tarnel::ui {

namespace {

// Inset of the themed bar inside its cell: 4 pixels left and right, 3 top and bottom, as long
// as something remains.
QRect ThemedRect(const QRect& rect) {
    const int dx = rect.width() > 12 ? 4 : 0;
    const int dy = rect.height() > 10 ? 3 : 0;
    return rect.adjusted(dx, dy, -dx, -dy);
}

// Resolution of the themed bar's range; the style gets 0..kScale so any int32 range fits.
constexpr int kScale = 10000;

}  // namespace

CXPTextProgCtrl::CXPTextProgCtrl(QWidget* parent) : CTextProgressCtrl(parent) {}

void CXPTextProgCtrl::PaintBarInto(QPainter& painter, const QRect& rect) const {
    PaintBar(painter, rect, State(), this);
}

void CXPTextProgCtrl::PaintBar(QPainter& painter, const QRect& rect, const ProgressState& state,
                               const QWidget* styleSource) {
    const QPalette palette = styleSource ? styleSource->palette() : QApplication::palette();
    if (!CThemeHelper::IsThemeActive()) {
        CTextProgressCtrl::PaintPlain(painter, rect, state, palette);
        return;
    }
    if (!state.HasRange() || rect.isEmpty()) return;
    QStyle* style = styleSource ? styleSource->style() : QApplication::style();

    QStyleOptionProgressBar option;
    option.rect = ThemedRect(rect);
    option.palette = palette;
    if (state.barColour.isValid()) option.palette.setColor(QPalette::Highlight, state.barColour);
    if (state.textColour.isValid()) {
        option.palette.setColor(QPalette::HighlightedText, state.textColour);
        option.palette.setColor(QPalette::Text, state.textColour);
        option.palette.setColor(QPalette::WindowText, state.textColour);
    }
    option.fontMetrics = painter.fontMetrics();
    option.state = QStyle::State_Enabled;
    if (!state.vertical) option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = kScale;
    option.progress = static_cast<int>(state.Fraction() * kScale);
    option.text = state.text;
    option.textVisible = state.showText && !state.text.isEmpty() && !state.vertical;
    option.textAlignment = Qt::AlignCenter;
    style->drawControl(QStyle::CE_ProgressBar, &option, &painter, styleSource);
}

}  // namespace tarnel::ui
