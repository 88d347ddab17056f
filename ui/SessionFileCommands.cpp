#include "ui/SessionFileCommands.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include <filesystem>

#include "ui/CommandIds.h"

namespace tarnel::ui {

SessionFileCommands::SessionFileCommands(CvemoraDoc& doc, QtDocumentHost& host, QWidget* window)
    : doc_(doc), host_(host), window_(window) {
    const QString filter = QString::fromUtf8(kSessionFilter);
    chooseOpenPath = [this, filter]() -> std::optional<std::string> {
        const QString path = QFileDialog::getOpenFileName(
            window_, QStringLiteral("Open Conversion Session"), {}, filter);
        if (path.isEmpty()) return std::nullopt;
        return path.toStdString();
    };
    chooseSavePath = [this, filter](const std::string& suggestion) -> std::optional<std::string> {
        const QString path =
            QFileDialog::getSaveFileName(window_, QStringLiteral("Save Conversion Session As"),
                                         QString::fromStdString(suggestion), filter);
        if (path.isEmpty()) return std::nullopt;
        return path.toStdString();
    };
    SetPath({});
}

std::string SessionFileCommands::FileTitle() const {
    if (path_.empty()) return kUntitled;
    return std::filesystem::path(path_).filename().string();
}

void SessionFileCommands::SetPath(const std::string& path) {
    path_ = path;
    doc_.SetTitle(FileTitle());
}

bool SessionFileCommands::SaveModified() {
    if (!doc_.IsModified()) return true;
    switch (host_.AskSaveChanges(FileTitle())) {
        case QtDocumentHost::SaveAnswer::Yes:
            return Save();
        case QtDocumentHost::SaveAnswer::No:
            return true;
        case QtDocumentHost::SaveAnswer::Cancel:
            return false;
    }
    return false;
}

bool SessionFileCommands::NewSession() {
    if (!SaveModified()) return false;
    doc_.NewDocument();
    SetPath({});
    return true;
}

bool SessionFileCommands::OpenSession(const std::string& path) {
    if (!SaveModified()) return false;
    const bool opened = doc_.OpenSession(path);
    if (!opened) {
        // The old contents are gone already: what remains is an empty, untitled session.
        doc_.SetModifiedFlag(false);
        SetPath({});
        recent_.Remove(path);
        if (onRecentFilesChanged) onRecentFilesChanged();
        return false;
    }
    SetPath(path);
    recent_.Add(path);
    if (onRecentFilesChanged) onRecentFilesChanged();
    return true;
}

bool SessionFileCommands::Save() {
    if (path_.empty()) return SaveAs();
    return SaveTo(path_);
}

bool SessionFileCommands::SaveAs() {
    const std::string suggestion =
        path_.empty() ? std::string(kUntitled) + kSessionExtension : path_;
    std::optional<std::string> chosen = chooseSavePath(suggestion);
    if (!chosen) return false;
    if (std::filesystem::path(*chosen).extension().empty()) *chosen += kSessionExtension;
    return SaveTo(*chosen);
}

bool SessionFileCommands::SaveTo(const std::string& path) {
    if (!doc_.SaveSession(path)) return false;
    SetPath(path);
    recent_.Add(path);
    if (onRecentFilesChanged) onRecentFilesChanged();
    return true;
}

bool SessionFileCommands::OnCommand(int id) {
    switch (id) {
        case ID_FILE_NEW:
            NewSession();
            return true;
        case ID_FILE_OPEN:
            // The file first, then the prompt about the session it replaces.
            if (const std::optional<std::string> path = chooseOpenPath()) OpenSession(*path);
            return true;
        case ID_FILE_SAVE:
            Save();
            return true;
        case ID_FILE_SAVE_AS:
            SaveAs();
            return true;
        default:
            break;
    }
    if (id >= ID_FILE_MRU_FIRST && id < ID_FILE_MRU_FIRST + RecentFileList::kSize) {
        const std::vector<std::string> files = recent_.Files();
        const auto index = static_cast<size_t>(id - ID_FILE_MRU_FIRST);
        if (index < files.size()) OpenSession(files[index]);
        return true;
    }
    return false;
}

std::optional<bool> SessionFileCommands::OnUpdateCommand(int id) const {
    switch (id) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
            return true;
        default:
            break;
    }
    if (id >= ID_FILE_MRU_FIRST && id < ID_FILE_MRU_FIRST + RecentFileList::kSize) return true;
    return std::nullopt;
}

}  // namespace tarnel::ui
