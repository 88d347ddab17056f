#include "ui/CCoolBar.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/ExportSummary.h"
#include "wma/ProfileEnumerator.h"

namespace tarnel::ui {

CCoolBar::CCoolBar(QWidget* parent)
    : QGroupBox(QString::fromUtf8(kSideBarTitle), parent), summary_(new QLabel(this)) {
    setAccessibleName(QString::fromUtf8(kSideBarTitle));
    summary_->setObjectName(QStringLiteral("exportSummary"));
    summary_->setWordWrap(true);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    summary_->setAccessibleName(QString::fromUtf8(kSideBarTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_, 1);
    RefreshSummary();
}

void CCoolBar::RefreshSummary() {
    // A fresh enumerator each time: the codec list is asked afresh, and only for WMA.
    ProfileEnumerator codecs;
    summary_->setText(QString::fromStdString(BuildExportSummary(codecs)));
    summary_->setAccessibleDescription(summary_->text());
    update();
}

QString CCoolBar::SummaryText() const {
    return summary_->text();
}

}  // namespace tarnel::ui
