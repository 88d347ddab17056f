#include "settings/dialogs/COptionsDlg.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/CTabPage1.h"
#include "settings/dialogs/CTabPage2.h"
#include "settings/dialogs/CTabPage3.h"
#include "settings/dialogs/CTabPage4.h"
#include "settings/dialogs/CTabPage5.h"

namespace tarnel::dialogs {

COptionsDlg::COptionsDlg(QWidget* parent, ExportSources sources)
    : QDialog(parent),
      sheet_(new CQZPropertySheet(this)),
      formatPage_(new CTabPage1(this)),
      wmaPage_(new CTabPage2(std::move(sources.wmaRuntime), this)),
      mp3Page_(new CTabPage3(this)),
      oggPage_(new CTabPage4(this)),
      wavPage_(new CTabPage5(std::move(sources.compressors), this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Configure Tarnel Audio Converter"));
    // Every page as large as the largest, so the dialog keeps its size when the format changes.
    const std::initializer_list<QWidget*> pages = {formatPage_, wmaPage_, mp3Page_, oggPage_,
                                                   wavPage_};
    QSize largest;
    for (QWidget* page : pages) largest = largest.expandedTo(page->sizeHint());
    for (QWidget* page : pages) {
        page->setMinimumSize(largest);
        if (page != formatPage_) page->hide();
    }
    sheet_->AddPage(formatPage_, QStringLiteral("Audio Format"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet_);
    layout->addWidget(buttons_);
    connect(sheet_, &CQZPropertySheet::PageNotification, this, &COptionsDlg::OnPageNotification);
    connect(buttons_, &QDialogButtonBox::accepted, this, &COptionsDlg::OnOk);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ExportConfigurationResult COptionsDlg::Run() {
    formatChanged_ = false;
    // A store that cannot be opened leaves the previous format.
    SettingsStore().ReadFormat(currentFormat_);
    initialFormat_ = currentFormat_;
    sheet_->BeginRun();
    MakeFormatCurrent(currentFormat_);
    const bool accepted = exec() == QDialog::Accepted;
    sheet_->EndRun();
    return {accepted, accepted && formatChanged_};
}

void COptionsDlg::MakeFormatCurrent(int code) {
    static const char* const kCaptions[] = {"WMA Settings", "MP3 Settings", "OGG Settings",
                                            "WAV Settings"};
    CQZPropertyPage* const pages[] = {wmaPage_, mp3Page_, oggPage_, wavPage_};
    const int position = code - static_cast<int>(ExportFormat::Wma);
    if (position < 0 || position > 3) return;
    currentFormat_ = code;
    if (sheet_->count() == 2) sheet_->RemovePage(1);
    sheet_->AddPage(pages[position], QString::fromUtf8(kCaptions[position]));
}

void COptionsDlg::OnPageNotification(int message, int code) {
    if (message == kMakeFormatCurrent) {
        MakeFormatCurrent(code);
    } else if (message == kRecordStored && code == initialFormat_) {
        formatChanged_ = true;
    }
}

void COptionsDlg::OnOk() {
    SettingsStore().WriteFormat(currentFormat_);
    for (CQZPropertyPage* page :
         {static_cast<CQZPropertyPage*>(wmaPage_), static_cast<CQZPropertyPage*>(mp3Page_),
          static_cast<CQZPropertyPage*>(oggPage_), static_cast<CQZPropertyPage*>(wavPage_)}) {
        if (page->HasWindow()) page->OnOk();
    }
    if (currentFormat_ != initialFormat_) formatChanged_ = true;
    accept();
}

}  // namespace tarnel::dialogs
