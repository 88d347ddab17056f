#include "ui/CLeftView.h"

#include <QStandardItemModel>

#include "ui/CommandIds.h"

namespace tarnel::ui {

CLeftView::CLeftView(CvemoraDoc& doc, QWidget* parent)
    : QTreeView(parent), doc_(doc), model_(new QStandardItemModel(0, 2, this)) {
    model_->setHorizontalHeaderLabels({QStringLiteral("Message"), QStringLiteral("Remarks")});
    setModel(model_);
    setRootIsDecorated(false);
    setAccessibleName(QStringLiteral("Log"));
}

void CLeftView::OnUpdate(CvemoraDoc&, UpdateHint hint, const HintArgument&) {
    if (hint != HINT_LOG) return;
    LogRecord record;
    if (!doc_.TakeLogRecord(record) || record.text.empty()) return;
    QString remarks = QString::fromStdString(record.remarks);
    if (record.isError) remarks = QStringLiteral("Error code: %1").arg(record.errorNumber);
    model_->appendRow(
        {new QStandardItem(QString::fromStdString(record.text)), new QStandardItem(remarks)});
    scrollToBottom();
}

bool CLeftView::OnCommand(int id) {
    if (id != ID_LOG_CLEAR_ALL) return false;
    model_->removeRows(0, model_->rowCount());
    return true;
}

std::optional<bool> CLeftView::OnUpdateCommand(int id) const {
    if (id == ID_LOG_CLEAR_ALL) return model_->rowCount() > 0;
    return std::nullopt;
}

}  // namespace tarnel::ui
