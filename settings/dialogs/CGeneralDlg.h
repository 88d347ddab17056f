#pragma once
// CGeneralDlg "General Options": output folder and naming, user interface, log window and
// miscellaneous options on four pages. A page shown in this run writes all its values on OK
// (pages 1, 2, 4, 3 in that order); a page never shown writes nothing. Leaving "Miscellaneous"
// stores "Show ToolTips" at once, even if the dialog is then cancelled.
#include <QDialog>

#include <functional>

#include "settings/dialogs/CGenPage1.h"
#include "settings/dialogs/CGenPage4.h"

namespace tarnel::dialogs {

class CGenPage2;
class CGenPage3;
class CQZPropertySheet;

// The desktop services the dialog uses; empty members use the Qt dialogs.
struct GeneralDialogServices {
    FolderChooser chooseFolder;
    MessageSink showMessage;
};

class CGeneralDlg : public QDialog {
    Q_OBJECT
public:
    // onShowToolTipsChanged: the main window re-reads "Show ToolTips".
    CGeneralDlg(QWidget* parent, std::function<void()> onShowToolTipsChanged,
                GeneralDialogServices services = {});

    // Modal; true when accepted.
    bool Run();

    CQZPropertySheet& Sheet() { return *sheet_; }

private:
    void OnOk();

    CQZPropertySheet* sheet_;
    CGenPage1* page1_;
    CGenPage2* page2_;
    CGenPage3* page3_;
    CGenPage4* page4_;
};

}  // namespace tarnel::dialogs
