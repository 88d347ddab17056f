#pragma once
// A read-only one-line text for a folder path: when it does not fit, the middle gives way to
// an ellipsis and the last folder name stays visible. The full path remains the label's text,
// so screen readers read all of it.
#include <QLabel>

namespace tarnel::dialogs {

class ElidedPathLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedPathLabel(QWidget* parent = nullptr);

    // The text as drawn into `width` pixels.
    QString ElidedText(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tarnel::dialogs
