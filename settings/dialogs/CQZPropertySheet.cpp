#include "settings/dialogs/CQZPropertySheet.h"

#include "settings/dialogs/CQZPropertyPage.h"

namespace tarnel::dialogs {

CQZPropertySheet::CQZPropertySheet(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, &CQZPropertySheet::OnCurrentChanged);
}

void CQZPropertySheet::AddPage(CQZPropertyPage* page, const QString& caption) {
    page->sheet_ = this;
    addTab(page, caption);
}

void CQZPropertySheet::RemovePage(int index) {
    CQZPropertyPage* page = Page(index);
    if (!page) return;
    if (page == active_) active_ = nullptr;  // it is gone, not left
    page->DestroyWindow();
    removeTab(index);
    page->hide();
}

CQZPropertyPage* CQZPropertySheet::Page(int index) const {
    return qobject_cast<CQZPropertyPage*>(widget(index));
}

void CQZPropertySheet::BeginRun() {
    running_ = false;
    for (int i = 0; i < count(); ++i) Page(i)->DestroyWindow();
    setCurrentIndex(0);
    running_ = true;
    active_ = nullptr;
    OnCurrentChanged(currentIndex());
}

void CQZPropertySheet::EndRun() {
    running_ = false;
    active_ = nullptr;
    for (int i = 0; i < count(); ++i) Page(i)->DestroyWindow();
}

void CQZPropertySheet::OnCurrentChanged(int index) {
    if (!running_) return;
    if (active_) active_->OnKillActive();
    active_ = Page(index);
    if (!active_) return;
    active_->CreateWindowOnce();
    active_->OnSetActive();
}

}  // namespace tarnel::dialogs
