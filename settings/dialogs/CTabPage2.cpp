#include "settings/dialogs/CTabPage2.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "settings/dialogs/PageControls.h"
#include "wma/CodecDescriptions.h"

namespace tarnel::dialogs {

CTabPage2::CTabPage2(ProfileManagerFactory runtime, QWidget* parent)
    : CQZPropertyPage(parent),
      runtime_(std::move(runtime)),
      codecs_(new QComboBox),
      formats_(new QComboBox),
      blurb_(new QLabel) {
    auto* group = new QGroupBox(QStringLiteral("Choose a codec and its format"), this);
    auto* column = new QVBoxLayout(group);
    column->addWidget(Named(codecs_, QStringLiteral("Codec")));
    column->addWidget(Named(formats_, QStringLiteral("Format")));
    auto* about = new QLabel(QStringLiteral("About selected codec:"));
    column->addSpacing(6);
    column->addWidget(about);
    blurb_->setWordWrap(true);
    blurb_->setTextFormat(Qt::PlainText);
    blurb_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    blurb_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    blurb_->setMinimumHeight(blurb_->fontMetrics().lineSpacing() * 4);
    blurb_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Named(blurb_, about->text());
    column->addWidget(blurb_);
    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);

    ToolTips().AddTool(codecs_, QStringLiteral("Select an appropriate WMA codec."));
    ToolTips().AddTool(formats_, QStringLiteral("Select a format for the codec selected above."));
    connect(codecs_, &QComboBox::activated, this, &CTabPage2::OnCodecChosen);
}

void CTabPage2::OnCreate() {
    ProfileEnumerator enumerator(runtime_);
    codecNames_.clear();
    formatMap_.clear();
    enumerator.GetCodecNames(codecNames_);
    enumerator.GetFormats(formatMap_);
    codecs_->clear();
    for (const std::string& name : codecNames_) codecs_->addItem(QString::fromStdString(name));

    read_ = WmaSettings{};
    SettingsStore().ReadWmaSettings(read_);
    if (!codecNames_.empty()) {
        // A codec that is no longer installed falls back to the first one.
        const bool known =
            read_.codecIndex >= 0 && read_.codecIndex < static_cast<int32_t>(codecNames_.size());
        const int codec = known ? read_.codecIndex : 0;
        codecs_->setCurrentIndex(codec);
        OnCodecChosen(codec);
        int format = -1;
        if (read_.vbr == 1) {
            // The last entry carrying the index; none found: the first format.
            format = 0;
            for (int i = static_cast<int>(shownFormats_.size()) - 1; i >= 0; --i) {
                if (shownFormats_[i].first == read_.formatIndex) {
                    format = i;
                    break;
                }
            }
        } else if (read_.formatIndex >= 0 &&
                   read_.formatIndex < static_cast<int32_t>(shownFormats_.size())) {
            format = read_.formatIndex;
        }
        formats_->setCurrentIndex(format);
    } else {
        formats_->clear();
        shownFormats_.clear();
    }
    ApplyToolTipSetting();
}

void CTabPage2::OnCodecChosen(int position) {
    if (position < 0 || position >= static_cast<int>(codecNames_.size())) return;
    if (const auto id = CodecDescriptionId(codecNames_[position])) {
        QString text = QString::fromStdString(CodecDescriptionText(*id));
        text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
        blurb_->setText(text);
    }
    FillFormats(position);
}

void CTabPage2::FillFormats(int codecPosition) {
    formats_->clear();
    shownFormats_.clear();
    const auto [begin, end] = formatMap_.equal_range(codecNames_[codecPosition]);
    for (auto it = begin; it != end; ++it) {
        formats_->addItem(QString::fromStdString(it->second.description));
        shownFormats_.emplace_back(it->second.formatIndex, it->second.vbr);
    }
    formats_->setCurrentIndex(shownFormats_.empty() ? -1 : 0);
}

void CTabPage2::OnOk() {
    WmaSettings chosen = read_;  // a list without selection keeps its field
    if (codecs_->currentIndex() >= 0) chosen.codecIndex = codecs_->currentIndex();
    const int format = formats_->currentIndex();
    if (format >= 0 && format < static_cast<int>(shownFormats_.size())) {
        chosen.formatIndex = shownFormats_[format].first;
        chosen.vbr = shownFormats_[format].second;
    }
    if (chosen.codecIndex == read_.codecIndex && chosen.formatIndex == read_.formatIndex &&
        chosen.vbr == read_.vbr) {
        return;
    }
    SettingsStore().WriteWmaSettings(chosen);
    Notify(kRecordStored, static_cast<int>(ExportFormat::Wma));
}

}  // namespace tarnel::dialogs
