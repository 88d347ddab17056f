#pragma once
// How the document reaches the user. The document never draws anything itself: message boxes,
// the open-file dialog, the wait cursor, repaints, sounds and the two configuration dialogs go
// through this interface. The desktop program implements it with Qt widgets, the tests with a
// recorder and the command-line converter by printing. Called only on the document's thread.
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

enum class MessageIcon { Error, Warning, Information, Question };

// What the open-file dialog is asked for: several existing files, read-only box hidden.
struct OpenFilesRequest {
    std::string title;
    std::string filter;         // "Label|patterns|Label|patterns||", the first one selected
    std::string initialFolder;  // may be empty
};

struct ExportDialogResult {
    bool accepted = false;
    bool formatChanged = false;  // the accepted dialog stored another export format
};

// Sound resources.
inline constexpr int kSoundFileDone = 189;
inline constexpr int kSoundRunDone = 190;
inline constexpr int kSoundLogAlert = 194;

class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // A modal message box with the given icon.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // The chosen paths in the dialog's order, or nothing when the user cancelled.
    virtual std::optional<std::vector<std::string>> ChooseFilesToOpen(
        const OpenFilesRequest& request) = 0;
    // Wait cursor on (true) or back to normal (false); calls nest.
    virtual void SetWaitCursor(bool on) = 0;
    // Repaint the main window at once.
    virtual void RepaintMainWindow() = 0;
    // Plays a sound resource asynchronously (the caller has checked "Sound Alerts").
    virtual void PlaySoundAlert(int soundId) = 0;
    // Runs the export configuration dialog modally; it writes the settings when accepted.
    virtual ExportDialogResult RunExportConfiguration() = 0;
    // Runs the general configuration dialog modally; true when accepted (settings written).
    virtual bool RunGeneralConfiguration() = 0;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(DocumentHost& host) : host_(host) { host_.SetWaitCursor(true); }
    ~WaitCursor() { host_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    DocumentHost& host_;
};

}  // namespace tarnel
