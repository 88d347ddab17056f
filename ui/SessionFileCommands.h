#pragma once
// The session file's life cycle around the document, as a single-document framework runs it:
// New, Open (dialog, recent files, command line, drops), Save and Save As, the save prompt
// before the current session is replaced or the window closes, the session's path and title,
// and the recent file list. The document itself reads and writes the files.
//
// GUI thread only.
#include <functional>
#include <optional>
#include <string>

#include "app/CvemoraDoc.h"
#include "ui/CommandTarget.h"
#include "ui/QtDocumentHost.h"
#include "ui/RecentFileList.h"

class QWidget;

namespace tarnel::ui {

inline constexpr char kSessionFilter[] = "qzconv Files (*.qzconv)";
inline constexpr char kSessionExtension[] = ".qzconv";
inline constexpr char kUntitled[] = "Untitled";

class SessionFileCommands : public CommandTarget {
public:
    SessionFileCommands(CvemoraDoc& doc, QtDocumentHost& host, QWidget* window);

    // File choosers; tests replace them. Nothing means the user cancelled.
    std::function<std::optional<std::string>()> chooseOpenPath;
    std::function<std::optional<std::string>(const std::string& suggestion)> chooseSavePath;
    // Called whenever the recent file list changed.
    std::function<void()> onRecentFilesChanged;

    // Each answers false when the user cancelled or the action failed.
    bool NewSession();
    bool OpenSession(const std::string& path);  // asks to save first
    bool Save();
    bool SaveAs();
    // The prompt for a modified session; true when the caller may go on (saved or discarded).
    bool SaveModified();

    const std::string& PathName() const { return path_; }
    // The file name of the session, or "Untitled".
    std::string FileTitle() const;
    RecentFileList& Recent() { return recent_; }

    // 57600, 57601, 57603, 57604 and the recent files 57616..57619.
    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

private:
    bool SaveTo(const std::string& path);
    void SetPath(const std::string& path);

    CvemoraDoc& doc_;
    QtDocumentHost& host_;
    QWidget* window_;
    RecentFileList recent_;
    std::string path_;
};

}  // namespace tarnel::ui
