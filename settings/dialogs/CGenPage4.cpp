#include "settings/dialogs/CGenPage4.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <optional>

#include "settings/SettingsStore.h"
#include "settings/dialogs/PageControls.h"

namespace tarnel::dialogs {
namespace {

// A whole unsigned decimal number, saturated at the largest 32-bit value; nothing for other
// text.
std::optional<uint32_t> ParseUnsigned(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    uint64_t value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = std::min<uint64_t>(value * 10 + (c.unicode() - u'0'),
                                   std::numeric_limits<uint32_t>::max());
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

CGenPage4::CGenPage4(MessageSink showMessage, QWidget* parent)
    : CQZPropertyPage(parent),
      showMessage_(std::move(showMessage)),
      levels_(new QButtonGroup(this)),
      depthEdit_(new QLineEdit) {
    auto* preferences = new QGroupBox(QStringLiteral("Logging Preferences"));
    auto* column = new QVBoxLayout(preferences);
    auto* levelBox = new QGroupBox(QStringLiteral("Logging Level"));
    auto* levelColumn = new QVBoxLayout(levelBox);
    const char* const kLabels[] = {"&Verbose", "&Normal", "&Minimal"};
    const char* const kTips[] = {"Select this if you want to see all log messages",
                                 "Select this if you want to see only important messages",
                                 "Select this if you want to see only vital messages"};
    for (int level = 0; level < 3; ++level) {
        const QString label = QString::fromUtf8(kLabels[level]);
        QRadioButton* button = NamedRadio(label);
        levels_->addButton(button, level);
        levelColumn->addWidget(button);
        ToolTips().AddTool(button, QString::fromUtf8(kTips[level]));
    }
    auto* discarding = new QGroupBox(QStringLiteral("Log message discarding behavior"));
    auto* depthRow = new QHBoxLayout(discarding);
    depthEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), depthEdit_));
    depthEdit_->setMaximumWidth(depthEdit_->fontMetrics().horizontalAdvance(u'0') * 10 + 16);
    depthRow->addWidget(
        BuddyLabel(QStringLiteral("Number of most recent messages to keep: "), depthEdit_));
    depthRow->addWidget(depthEdit_);
    depthRow->addStretch(1);
    column->addWidget(levelBox);
    column->addWidget(discarding);
    auto* page = new QVBoxLayout(this);
    page->addWidget(preferences);
    page->addStretch(1);

    ToolTips().AddTool(
        depthEdit_,
        QStringLiteral("Enter a vlaue for the number of log messages you would like to keep "
                       "[10-10000].The more messages there are, the more memory the application "
                       "will consume."));
}

void CGenPage4::OnCreate() {
    level_ = 0;
    int32_t depth = 100;
    SettingsStore store;
    store.ReadLoggingLevel(level_);
    store.ReadLoggingDepth(depth);
    depth_ = static_cast<uint32_t>(depth);
    ShowValues();
}

void CGenPage4::OnSetActive() {
    // Values are read once per window; the tips follow the setting as it is now, which the
    // "Miscellaneous" page may have just stored.
    ApplyToolTipSetting();
}

void CGenPage4::ShowValues() {
    CheckInGroup(levels_, level_);
    depthEdit_->setText(QString::number(depth_));
}

void CGenPage4::OnKillActive() {
    if (levels_->checkedId() >= 0) level_ = levels_->checkedId();
    if (const std::optional<uint32_t> typed = ParseUnsigned(depthEdit_->text())) {
        depth_ = *typed;
        if (depth_ < kMinDepth) {
            depth_ = kMinDepth;
            showMessage_(
                this, QStringLiteral("Number of logs can not be less than 10, setting it to 10."));
        } else if (depth_ > kMaxDepth) {
            depth_ = kMaxDepth;
            showMessage_(this, QStringLiteral("Number of logs can not be larger than 10,000, "
                                              "setting it to 10,000."));
        }
    } else {
        showMessage_(this, QStringLiteral("Please enter a positive integer."));
    }
    depthEdit_->setText(QString::number(depth_));
}

void CGenPage4::OnOk() {
    SettingsStore store;
    store.WriteLoggingDepth(static_cast<int32_t>(depth_));
    store.WriteLoggingLevel(level_);
}

}  // namespace tarnel::dialogs
