#include "ui/QtDocumentHost.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

namespace tarnel::ui {

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The message texts keep their Windows line ends; Qt shows "\r\n" as two breaks.
QString MessageText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

}  // namespace

QtDocumentHost::~QtDocumentHost() {
    while (waitDepth_-- > 0) QApplication::restoreOverrideCursor();
}

void QtDocumentHost::ShowMessage(const std::string& text, MessageIcon icon) {
    QMessageBox box(QtIcon(icon), QString::fromUtf8(kProgramTitle), MessageText(text),
                    QMessageBox::Ok, window_);
    box.exec();
}

QString QtDocumentHost::QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;  // the "||" that ends the list
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // The label already lists the patterns; Qt reads the ones in the last parentheses.
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QLatin1String(";;"));
}

std::optional<std::vector<std::string>> QtDocumentHost::ChooseFilesToOpen(
    const OpenFilesRequest& request) {
    const QStringList chosen = QFileDialog::getOpenFileNames(
        window_, QString::fromStdString(request.title),
        QString::fromStdString(request.initialFolder), QtFilter(request.filter));
    if (chosen.isEmpty()) return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    return paths;
}

void QtDocumentHost::SetWaitCursor(bool on) {
    if (on) {
        ++waitDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (waitDepth_ > 0) {
        --waitDepth_;
        QApplication::restoreOverrideCursor();
    }
}

void QtDocumentHost::RepaintMainWindow() {
    if (window_ && window_->isVisible()) window_->repaint();
}

void QtDocumentHost::PlaySoundAlert(int soundId) {
    sounds_.Play(soundId);
}

ExportDialogResult QtDocumentHost::RunExportConfiguration() {
    // Integration point: the export configuration dialog (COptionsDlg) plugs in here.
    if (!dialogs_.exportConfiguration) return {};
    return dialogs_.exportConfiguration(window_);
}

bool QtDocumentHost::RunGeneralConfiguration() {
    // Integration point: the general configuration dialog (CGeneralDlg) plugs in here.
    if (!dialogs_.generalConfiguration) return false;
    return dialogs_.generalConfiguration(window_);
}

bool QtDocumentHost::AskOkCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProgramTitle), MessageText(text),
                    QMessageBox::Ok | QMessageBox::Cancel, window_);
    return box.exec() == QMessageBox::Ok;
}

bool QtDocumentHost::OpenUrl(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtDocumentHost::ShowError(const std::string& text) {
    ShowMessage(text, MessageIcon::Error);
}

QtDocumentHost::SaveAnswer QtDocumentHost::AskSaveChanges(const std::string& fileTitle) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kProgramTitle),
                    QStringLiteral("Save changes to %1?").arg(QString::fromStdString(fileTitle)),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, window_);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return SaveAnswer::Yes;
        case QMessageBox::No:
            return SaveAnswer::No;
        default:
            return SaveAnswer::Cancel;
    }
}

}  // namespace tarnel::ui
