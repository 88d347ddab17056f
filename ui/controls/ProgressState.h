#pragma once
// What a text progress bar shows, as a value: the widget holds one, and an item delegate can
// build one per row and paint it with CXPTextProgCtrl::PaintBar, with no child widget.
#include <QColor>
#include <QString>

#include <cstdint>

namespace tarnel::ui {

struct ProgressState {
    int32_t pos = 0;
    int32_t min = 0;
    int32_t max = 100;
    QString text;  // empty: the plain path draws the percentage
    bool showText = true;
    bool vertical = false;
    // An invalid colour is the "default colour": the palette's (or the inverted) colour.
    QColor barColour;
    QColor backColour;
    QColor textColour;

    bool HasRange() const { return min < max; }
    // Share of the range that is filled, 0..1 (positions outside the range are clamped).
    double Fraction() const;
    // Filled extent in pixels along the bar's direction for a length of `length` pixels.
    int FilledLength(int length) const;
};

}  // namespace tarnel::ui
