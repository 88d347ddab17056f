#pragma once
// CQzToolTipCtrl: the tool tips of one dialog page. Each tool is a control with its text; the
// control's own tool tip machinery is taken over (an event filter), so the tip shows only while
// the control is active. The tip window is at most kMaxTipWidth pixels wide: longer texts wrap.
// The text also becomes the control's accessible description, active or not.
#include <QHash>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QWidget;

namespace tarnel::dialogs {

class CQzToolTipCtrl : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxTipWidth = 300;

    explicit CQzToolTipCtrl(QObject* parent = nullptr);
    ~CQzToolTipCtrl() override;

    // Adds `control` with its text, or replaces the text of a control already added (a shown
    // tip changes at once).
    void AddTool(QWidget* control, const QString& text);
    QString TipText(const QWidget* control) const;

    // Tips show only while active; deactivating hides a shown tip.
    void Activate(bool on);
    bool IsActive() const { return active_; }

    // The tip window while a tip is shown, else null.
    QLabel* ShownTip() const;
    // Shows the tip of `control` at a global position, as hovering does.
    void ShowTip(QWidget* control, const QPoint& globalPos);
    void HideTip();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<const QObject*, QString> tools_;
    std::unique_ptr<QLabel> tip_;  // a top-level window, so no parent owns it
    const QObject* shownFor_ = nullptr;
    QPoint shownAt_;  // the pointer position the shown tip belongs to
    QTimer hideTimer_;
    bool active_ = true;
};

}  // namespace tarnel::dialogs
