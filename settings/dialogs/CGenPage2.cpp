#include "settings/dialogs/CGenPage2.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "settings/SettingsStore.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
CGenPage2::CGenPage2(QWidget* parent)
    : CQZPropertyPage(parent),
      checkAdded_(NamedCheck(
          QStringLiteral("When audio files are added, automatically &select them for conversion"))),
      soundAlerts_(
          NamedCheck(QStringLiteral("&Play sound alerts when file conversion is complete"))),
      namesOnly_(NamedCheck(QStringLiteral("Do &not show complete directory path in filenames"))) {
    // Page defaults for settings that cannot be read.
    soundAlerts_->setChecked(false);
    namesOnly_->setChecked(true);

    auto* options = new QGroupBox(QStringLiteral("User Interface Options"));
    auto* optionsColumn = new QVBoxLayout(options);
    auto* files = new QGroupBox(QStringLiteral("Audio Files"));
    auto* filesColumn = new QVBoxLayout(files);
    filesColumn->addWidget(checkAdded_);
    filesColumn->addWidget(namesOnly_);
    auto* sounds = new QGroupBox(QStringLiteral("Sound Alerts"));
    (new QVBoxLayout(sounds))->addWidget(soundAlerts_);
    optionsColumn->addWidget(files);
    optionsColumn->addWidget(sounds);
    auto* page = new QVBoxLayout(this);
    page->addWidget(options);
    page->addStretch(1);

    CQzToolTipCtrl& tips = ToolTips();
    tips.AddTool(checkAdded_, QStringLiteral("Check this if you want to automatically select "
                                             "files for conversion when they are added."));
    tips.AddTool(soundAlerts_,
                 QStringLiteral("Check this if you want to play audible alerts when each file "
                                "conversion is complete and when all files are converted."));
    tips.AddTool(namesOnly_,
                 QStringLiteral("Check this if you want to display only the file's name without "
                                "the path to their folders. Uncheck to show complete paths."));
}

void CGenPage2::OnSetActive() {
    SettingsStore store;
    bool on = checkAdded_->isChecked();
    store.ReadCheckItemsWhenAdded(on);
    checkAdded_->setChecked(on);
    on = soundAlerts_->isChecked();
    store.ReadSoundAlerts(on);
    soundAlerts_->setChecked(on);
    on = namesOnly_->isChecked();
    store.ReadShowFqpn(on);
    namesOnly_->setChecked(on);
    ApplyToolTipSetting();
}

void CGenPage2::OnOk() {
    SettingsStore store;
    store.WriteCheckItemsWhenAdded(checkAdded_->isChecked());
    store.WriteSoundAlerts(soundAlerts_->isChecked());
    store.WriteShowFqpn(namesOnly_->isChecked());
}

}  // namespace tarnel::dialogs
