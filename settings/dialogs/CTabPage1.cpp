#include "settings/dialogs/CTabPage1.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {

CTabPage1::CTabPage1(QWidget* parent) : CQZPropertyPage(parent), formats_(new QButtonGroup(this)) {
    auto* group = new QGroupBox(QStringLiteral("Select export audio format"), this);
    auto* column = new QVBoxLayout(group);
    const std::pair<ExportFormat, const char*> choices[] = {
        {ExportFormat::Wma, "&WMA Files - Windows Media Audio (9)"},
        {ExportFormat::Mp3, "&MP3 Files - MPEG-1, Layer 3 Audio"},
        {ExportFormat::Ogg, "&Ogg Files - Ogg-Vorbis Audio"},
        {ExportFormat::Wav, "WA&V Files - Uncompressed and Compressed "},
    };
    for (const auto& [code, text] : choices) {
        auto* button =
            Named(new QRadioButton(QString::fromUtf8(text), group), QString::fromUtf8(text));
        formats_->addButton(button, static_cast<int>(code));
        column->addWidget(button);
    }
    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);
    connect(formats_, &QButtonGroup::idClicked, this,
            [this](int code) { Notify(kMakeFormatCurrent, code); });
}

void CTabPage1::OnCreate() {
    int32_t format = kDefaultExportFormat;
    SettingsStore().ReadFormat(format);
    CheckInGroup(formats_, format);  // an unknown stored code checks nothing
}

}  // namespace tarnel::dialogs
