#pragma once
// The document's host and the update check's user interface in the desktop program: message
// boxes titled "Tarnel Audio Converter", Qt's open-file dialog (the desktop's portal where
// present), the wait cursor, repaints and the sound alerts, all parented to the main window.
//
// The two configuration dialogs live on their own branch: RunExportConfiguration and
// RunGeneralConfiguration call the dialog runners set with SetDialogRunners, and answer "not
// accepted" while none is set.
#include <QString>

#include <functional>

#include "app/DocumentHost.h"
#include "ui/SoundAlerts.h"
#include "update/UpdateReply.h"

class QWidget;

namespace tarnel::ui {

inline constexpr char kProgramTitle[] = "Tarnel Audio Converter";

class QtDocumentHost : public DocumentHost, public UpdateUserInterface {
public:
    explicit QtDocumentHost(QWidget* window) : window_(window) {}
    ~QtDocumentHost() override;

    struct DialogRunners {
        std::function<ExportDialogResult(QWidget* parent)> exportConfiguration;
        std::function<bool(QWidget* parent)> generalConfiguration;
    };
    void SetDialogRunners(DialogRunners runners) { dialogs_ = std::move(runners); }

    // DocumentHost
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::vector<std::string>> ChooseFilesToOpen(
        const OpenFilesRequest& request) override;
    void SetWaitCursor(bool on) override;
    void RepaintMainWindow() override;
    void PlaySoundAlert(int soundId) override;
    ExportDialogResult RunExportConfiguration() override;
    bool RunGeneralConfiguration() override;

    // UpdateUserInterface
    bool AskOkCancel(const std::string& text) override;
    bool OpenUrl(const std::string& address) override;
    void ShowError(const std::string& text) override;

    // "Save changes to %1?" with Yes, No and Cancel.
    enum class SaveAnswer { Yes, No, Cancel };
    virtual SaveAnswer AskSaveChanges(const std::string& fileTitle);

    SoundAlerts& Sounds() { return sounds_; }

    // Converts "Label|patterns|Label|patterns||" into Qt's "Label (p1 p2);;Label (p)" form.
    static QString QtFilter(const std::string& filter);

private:
    QWidget* window_;
    DialogRunners dialogs_;
    int waitDepth_ = 0;
    SoundAlerts sounds_;
};

}  // namespace tarnel::ui
