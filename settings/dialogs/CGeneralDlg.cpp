#include "settings/dialogs/CGeneralDlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QVBoxLayout>

#include "settings/dialogs/CGenPage2.h"
#include "settings/dialogs/CGenPage3.h"
#include "settings/dialogs/CQZPropertySheet.h"

namespace tarnel::dialogs {
namespace {

std::optional<QString> ChooseFolderWithQt(QWidget* parent, const QString& title,
                                          const QString& start) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

void ShowMessageWithQt(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QStringLiteral("Tarnel Audio Converter"), text);
}

}  // namespace

CGeneralDlg::CGeneralDlg(QWidget* parent, std::function<void()> onShowToolTipsChanged,
                         GeneralDialogServices services)
    : QDialog(parent), sheet_(new CQZPropertySheet(this)) {
    setWindowTitle(QStringLiteral("General Options"));
    if (!services.chooseFolder) services.chooseFolder = ChooseFolderWithQt;
    if (!services.showMessage) services.showMessage = ShowMessageWithQt;
    page1_ = new CGenPage1(std::move(services.chooseFolder), this);
    page2_ = new CGenPage2(this);
    page3_ = new CGenPage3(std::move(onShowToolTipsChanged), this);
    page4_ = new CGenPage4(std::move(services.showMessage), this);
    sheet_->AddPage(page1_, QStringLiteral("Manage Filenames"));
    sheet_->AddPage(page2_, QStringLiteral("User Interface"));
    sheet_->AddPage(page4_, QStringLiteral("Log Window"));
    sheet_->AddPage(page3_, QStringLiteral("Miscellaneous"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGeneralDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool CGeneralDlg::Run() {
    sheet_->BeginRun();
    const bool accepted = exec() == QDialog::Accepted;
    sheet_->EndRun();
    return accepted;
}

void CGeneralDlg::OnOk() {
    for (CQZPropertyPage* page :
         {static_cast<CQZPropertyPage*>(page1_), static_cast<CQZPropertyPage*>(page2_),
          static_cast<CQZPropertyPage*>(page4_), static_cast<CQZPropertyPage*>(page3_)}) {
        if (!page->HasWindow()) continue;
        page->OnKillActive();
        page->OnOk();
    }
    accept();
}

}  // namespace tarnel::dialogs
