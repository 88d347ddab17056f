#pragma once
// An off-screen drawing surface for one repaint: drawing goes into a pixmap of the area being
// repainted, filled first with the background colour, and the pixmap is copied to the widget
// when the object goes away, so a multi-pass drawing (bar, then text twice) never flickers
// even where the window system shows partial paints.
#include <QPainter>
#include <QPixmap>

namespace tarnel::ui {

class CMemDC {
public:
    CMemDC(QWidget& target, const QRect& area, const QColor& background);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    // Draws in the target's coordinates.
    QPainter& Painter() { return painter_; }

private:
    QWidget& target_;
    QRect area_;
    QPixmap pixmap_;
    QPainter painter_;
};

}  // namespace tarnel::ui
