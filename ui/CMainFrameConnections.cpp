#include <QMetaObject>

#include "settings/dialogs/CGeneralDlg.h"
#include "settings/dialogs/COptionsDlg.h"
#include "ui/CMainFrame.h"
#include "ui/CvemoraView.h"
#include "ui/DocumentCommands.h"
#include "ui/QtDocumentHost.h"

namespace tarnel::ui {

void CMainFrame::ConnectDialogsAndPreview() {
    // A dialog is made for each run, so its pages read their records as on first display.
    host_->SetDialogRunners({
        [](QWidget* parent) {
            dialogs::COptionsDlg dialog(parent);
            const dialogs::ExportConfigurationResult result = dialog.Run();
            return ExportDialogResult{result.accepted, result.formatChanged};
        },
        [this](QWidget* parent) {
            // "Show ToolTips" changed: message 1642, handled once the dialog's page has left.
            dialogs::CGeneralDlg dialog(parent, [this] {
                QMetaObject::invokeMethod(
                    this, [this] { OnShowToolTipsChanged(); }, Qt::QueuedConnection);
            });
            return dialog.Run();
        },
    });
    docCommands_->SetPreviewCommands({
        [this] { doc_->OnPlayCommand(); },
        [this] { doc_->OnPauseCommand(); },
        [this] { doc_->OnStopCommand(); },
    });
    // The Play command sends the list view "&Play Selection", which hands its paths back.
    doc_->AttachPlaySelection([this] { listView_->PlaySelection(); });
    listView_->SetPlaySelectionHandler(
        [this](const std::vector<std::string>& paths) { doc_->PlayPaths(paths); });
}

}  // namespace tarnel::ui
