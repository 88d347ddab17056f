#include "settings/dialogs/CQZPropertyPage.h"

#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"

namespace tarnel::dialogs {

CQZPropertyPage::CQZPropertyPage(QWidget* parent)
    : QWidget(parent), toolTips_(new CQzToolTipCtrl(this)) {}

void CQZPropertyPage::ApplyToolTipSetting() {
    bool on = true;
    SettingsStore().ReadShowToolTips(on);
    toolTips_->Activate(on);
}

void CQZPropertyPage::Notify(int message, int code) {
    if (sheet_) sheet_->Notify(message, code);
}

void CQZPropertyPage::CreateWindowOnce() {
    if (hasWindow_) return;
    hasWindow_ = true;
    OnCreate();
}

void CQZPropertyPage::DestroyWindow() {
    hasWindow_ = false;
    toolTips_->HideTip();
}

}  // namespace tarnel::dialogs
