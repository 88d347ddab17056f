#include "settings/dialogs/CGenPage3.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "settings/SettingsStore.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
CGenPage3::CGenPage3(std::function<void()> onShowToolTipsChanged, QWidget* parent)
    : CQZPropertyPage(parent),
      onShowToolTipsChanged_(std::move(onShowToolTipsChanged)),
      showToolTips_(NamedCheck(QStringLiteral("&Show tool tips for various controls"))),
      autoUpdate_(NamedCheck(QStringLiteral("Au&tomatically check for updates and notify me"))) {
    showToolTips_->setChecked(true);
    autoUpdate_->setChecked(true);
    auto* group = new QGroupBox(QStringLiteral("General Preferences"));
    auto* column = new QVBoxLayout(group);
    column->addWidget(showToolTips_);
    column->addWidget(autoUpdate_);
    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);

    ToolTips().AddTool(showToolTips_, QStringLiteral("Uncheck to stop showing verbose tooltips"));
    ToolTips().AddTool(autoUpdate_,
                       QStringLiteral("Check this to automatically notify you of any application "
                                      "updates"));
    connect(showToolTips_, &QCheckBox::clicked, this,
            [this] { ToolTips().Activate(showToolTips_->isChecked()); });
}

void CGenPage3::OnSetActive() {
    SettingsStore store;
    bool on = autoUpdate_->isChecked();
    store.ReadAutoUpdate(on);
    autoUpdate_->setChecked(on);
    on = showToolTips_->isChecked();
    store.ReadShowToolTips(on);
    showToolTips_->setChecked(on);
    ApplyToolTipSetting();
}

void CGenPage3::OnKillActive() {
    SettingsStore().WriteShowToolTips(showToolTips_->isChecked());
    if (onShowToolTipsChanged_) onShowToolTipsChanged_();
}

void CGenPage3::OnOk() {
    SettingsStore store;
    store.WriteAutoUpdate(autoUpdate_->isChecked());
    store.WriteShowToolTips(showToolTips_->isChecked());
}

}  // namespace tarnel::dialogs
