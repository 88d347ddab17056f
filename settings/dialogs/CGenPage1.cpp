#include "settings/dialogs/CGenPage1.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <string>

#include "settings/SettingsStore.h"
#include "settings/dialogs/ElidedPathLabel.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
namespace {

// An explanation under its radio button, indented to the button's text.
QLabel* Explanation(const QString& text, const QWidget* button) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    const int indent = button->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       button->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    label->setContentsMargins(indent, 0, 0, 4);
    return label;
}

}  // namespace

CGenPage1::CGenPage1(FolderChooser chooseFolder, QWidget* parent)
    : CQZPropertyPage(parent),
      chooseFolder_(std::move(chooseFolder)),
      folderText_(new ElidedPathLabel),
      change_(new QPushButton(QStringLiteral("&Change"))),
      sourceFormat_(new QRadioButton(
          QStringLiteral("Append source &format and \"-conv\" to source file's name"))),
      dateTime_(
          new QRadioButton(QStringLiteral("Append &date and time to the end of the file's name"))),
      folderTip_(new CQzToolTipCtrl(this)) {
    auto* folderBox = new QGroupBox(QStringLiteral("Select a directory for converted audio files"));
    auto* folderRow = new QHBoxLayout(folderBox);
    folderRow->addWidget(Named(folderText_, folderBox->title()), 1);
    folderRow->addWidget(Named(change_, change_->text()));

    auto* naming = new QGroupBox(QStringLiteral("Naming converted files"));
    auto* column = new QVBoxLayout(naming);
    auto* choice = new QButtonGroup(this);
    choice->addButton(Named(sourceFormat_, sourceFormat_->text()), 0);
    choice->addButton(Named(dateTime_, dateTime_->text()), 1);
    column->addWidget(sourceFormat_);
    column->addWidget(Explanation(QStringLiteral("For example, myaudio.wav will be converted to "
                                                 "myaudio-wav-conv.mp3 if export format is MP3."),
                                  sourceFormat_));
    column->addWidget(dateTime_);
    column->addWidget(
        Explanation(QStringLiteral("For example, myaudio.wav will be converted to "
                                   "myaudio_YYYY-DD-MM_HHh-MMm-SSs.mp3 if export format is MP3."),
                    dateTime_));
    auto* note = new QLabel(
        QStringLiteral("Note: Extensions are managed automatically based on the selected export "
                       "format."));
    note->setWordWrap(true);
    column->addWidget(note);

    auto* page = new QVBoxLayout(this);
    page->addWidget(folderBox);
    page->addWidget(naming);
    page->addStretch(1);

    CQzToolTipCtrl& tips = ToolTips();
    tips.AddTool(sourceFormat_,
                 QStringLiteral("Select this option to name files retaining their original "
                                "extension in the file's name and appending \"conv\"."));
    tips.AddTool(dateTime_, QStringLiteral("Select this option to name files with the date and "
                                           "time at which they are converted."));
    tips.AddTool(change_,
                 QStringLiteral("Change current output directory for converted audio files."));
    connect(change_, &QPushButton::clicked, this, &CGenPage1::ChangeFolder);
}

void CGenPage1::OnCreate() {
    folderTip_->Activate(true);
}

void CGenPage1::OnSetActive() {
    std::string folder;
    SettingsStore store;
    store.ReadTargetDirectory(folder);  // stores the default folder when none is stored
    ShowFolder(QString::fromStdString(folder));
    int32_t strategy = sourceFormat_->isChecked() || !dateTime_->isChecked() ? 0 : 1;
    store.ReadNamingStrategy(strategy);
    (strategy == 1 ? dateTime_ : sourceFormat_)->setChecked(true);
    ApplyToolTipSetting();
}

void CGenPage1::ShowFolder(const QString& folder) {
    folder_ = folder;
    folderText_->setText(folder);
    // The full path, for when the line shows it shortened.
    folderTip_->AddTool(folderText_, folder);
}

void CGenPage1::ChangeFolder() {
    const QString title = QStringLiteral("Select a folder for converted audio files");
    if (const std::optional<QString> chosen = chooseFolder_(this, title, folder_)) {
        if (!chosen->isEmpty()) ShowFolder(*chosen);
    }
}

void CGenPage1::OnOk() {
    SettingsStore store;
    store.WriteTargetDirectory(folder_.toStdString());
    store.WriteNamingStrategy(dateTime_->isChecked() ? 1 : 0);
}

}  // namespace tarnel::dialogs
