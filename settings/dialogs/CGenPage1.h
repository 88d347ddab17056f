#pragma once
// CGenPage1 "Manage Filenames": the folder for converted files and the naming rule.
#include <functional>
#include <optional>

#include "settings/dialogs/CQZPropertyPage.h"

class QPushButton;
class QRadioButton;

namespace tarnel::dialogs {

class ElidedPathLabel;

// Asks the user for a folder (title, start folder); nothing when cancelled.
using FolderChooser = std::function<std::optional<QString>(QWidget* parent, const QString& title,
                                                           const QString& start)>;

class CGenPage1 : public CQZPropertyPage {
    Q_OBJECT
public:
    CGenPage1(FolderChooser chooseFolder, QWidget* parent = nullptr);
    void OnCreate() override;
    void OnSetActive() override;
    void OnOk() override;

    // The always-active tip on the folder text.
    CQzToolTipCtrl& FolderTip() { return *folderTip_; }

private:
    void ShowFolder(const QString& folder);
    void ChangeFolder();

    FolderChooser chooseFolder_;
    ElidedPathLabel* folderText_;
    QPushButton* change_;
    QRadioButton* sourceFormat_;
    QRadioButton* dateTime_;
    CQzToolTipCtrl* folderTip_;
    QString folder_;
};

}  // namespace tarnel::dialogs
