#pragma once
// The main window's status bar: a message pane that shows the command prompts and, while a run
// reports a file number, a text progress bar in its place ("Processing file 3 of 8 ..." over a
// bar at 37 %). Idle it shows "For Help, press F1".
#include <QStatusBar>

#include "ui/controls/CXPTextProgCtrl.h"

class QLabel;

namespace tarnel::ui {

inline constexpr char kIdleMessage[] = "For Help, press F1";
inline constexpr char kProcessingFormat[] = "Processing file %d of %d ...";

class CProgStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CProgStatusBar(QWidget* parent = nullptr);

    // Non-zero shows the bar at that position, 0 hides it and shows the idle message.
    void ShowProgress(int percent);
    // `format` takes the number and the total (two %d); the bar shows trunc(number / total * 100).
    void ShowProgressText(int number, int total, const char* format);

    CXPTextProgCtrl& Progress() { return *progress_; }
    // The text of the message pane while no prompt covers it.
    QString PaneText() const;

private:
    void Show(bool show, int percent);

    CXPTextProgCtrl* progress_;
    QLabel* pane_;
};

}  // namespace tarnel::ui
