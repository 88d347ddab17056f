#include "ui/CProgStatusBar.h"

#include <QLabel>

namespace tarnel::ui {

CProgStatusBar::CProgStatusBar(QWidget* parent)
    : QStatusBar(parent), progress_(new CXPTextProgCtrl(this)), pane_(new QLabel(this)) {
    setAccessibleName(QStringLiteral("Status bar"));
    pane_->setText(QString::fromUtf8(kIdleMessage));
    pane_->setAccessibleName(QStringLiteral("Status"));
    progress_->SetRange(0, 100);
    progress_->setAccessibleName(QStringLiteral("Conversion progress"));
    progress_->hide();
    // Both share the message pane; a command prompt covers either while it is shown.
    addWidget(pane_, 1);
    addWidget(progress_, 1);
}

void CProgStatusBar::ShowProgress(int percent) {
    Show(percent != 0, percent);
}

void CProgStatusBar::Show(bool show, int percent) {
    if (show != progress_->isVisible()) {
        clearMessage();
        pane_->clear();
        progress_->setVisible(show);
        pane_->setVisible(!show);
    }
    progress_->SetPos(percent);
    if (!show) pane_->setText(QString::fromUtf8(kIdleMessage));
}

void CProgStatusBar::ShowProgressText(int number, int total, const char* format) {
    if (number != 0) progress_->SetText(QString::asprintf(format, number, total));
    // 64-bit, and a zero total cannot divide.
    const int percent = total != 0 ? static_cast<int>(int64_t{number} * 100 / total) : 0;
    // File 1 of more than 100 is 0 %: the bar shows while a file is being processed.
    Show(number != 0, percent);
}

QString CProgStatusBar::PaneText() const {
    return progress_->isVisible() ? progress_->Text() : pane_->text();
}

}  // namespace tarnel::ui
