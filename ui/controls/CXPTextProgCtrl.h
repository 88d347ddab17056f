#pragma once
// The themed text progress bar: while visual styles are active (CThemeHelper) it draws its
// frame and chunk through the current QStyle and palette, so it follows the desktop's light
// or dark theme; otherwise it paints exactly as CTextProgressCtrl. The themed path draws only
// an explicit text, never the percentage.
#include "ui/controls/CTextProgressCtrl.h"

namespace tarnel::ui {

class CXPTextProgCtrl : public CTextProgressCtrl {
    Q_OBJECT
public:
    explicit CXPTextProgCtrl(QWidget* parent = nullptr);

    // The painting entry point shared with item delegates: paints `state` into `rect` with the
    // same rules as the widget, themed or plain as CThemeHelper answers. `styleSource` gives the
    // style, palette and font (the view for a delegate); null means the application's.
    static void PaintBar(QPainter& painter, const QRect& rect, const ProgressState& state,
                         const QWidget* styleSource);

protected:
    void PaintBarInto(QPainter& painter, const QRect& rect) const override;
};

}  // namespace tarnel::ui
