#pragma once
// A progress bar that paints its own text over the bar. By default the text is drawn twice,
// clipped to each part, in the colour of the other part, so it reads inverted against
// whichever part it lies over. The widget repaints on a position change only when the filled
// width in pixels changes, so a fast stream of positions costs nothing between pixel steps.
#include <QWidget>

#include <utility>

#include "ui/controls/ProgressState.h"

namespace tarnel::ui {

class CTextProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    // The range requests; a range with min >= max draws nothing.
    void SetRange(int32_t min, int32_t max);
    std::pair<int32_t, int32_t> GetRange() const { return {state_.min, state_.max}; }
    // Each answers the old position.
    int32_t SetPos(int32_t pos);
    int32_t GetPos() const { return state_.pos; }
    int32_t OffsetPos(int32_t delta);
    int32_t StepIt();
    // Answers the old step.
    int32_t SetStep(int32_t step);
    // Colour requests answer the old colour; an invalid colour restores the default.
    QColor SetBarColour(const QColor& colour);
    QColor SetBkColour(const QColor& colour);
    QColor SetTextColour(const QColor& colour);
    // Answers the old setting; repaints only when it changes.
    bool SetShowText(bool show);
    // An empty text draws the percentage (plain path only).
    void SetText(const QString& text);
    QString Text() const { return state_.text; }
    void SetVertical(bool vertical);

    const ProgressState& State() const { return state_; }

    // The plain drawing, with the fixed rules and the palette's colours for the defaults.
    static void PaintPlain(QPainter& painter, const QRect& rect, const ProgressState& state,
                           const QPalette& palette);

    QSize sizeHint() const override { return {120, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The bar drawing; the themed variant overrides it.
    virtual void PaintBarInto(QPainter& painter, const QRect& rect) const;

private:
    int FilledWidth() const;
    void Refresh();

    ProgressState state_;
    int32_t step_ = 1;
    int lastBarWidth_ = -1;  // filled width at the last repaint; -1 forces the next one
};

}  // namespace tarnel::ui
