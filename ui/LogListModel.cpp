#include "ui/LogListModel.h"

namespace tarnel::ui {

LogListModel::LogListModel(QIcon messageIcon, QIcon errorIcon, QObject* parent)
    : QAbstractTableModel(parent),
      messageIcon_(std::move(messageIcon)),
      errorIcon_(std::move(errorIcon)) {}

int LogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LogListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const LogRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return index.column() == 0 ? row.message : row.remarks;
        case Qt::DecorationRole:
            if (index.column() == 0) return row.isError ? errorIcon_ : messageIcon_;
            break;
        case Qt::AccessibleDescriptionRole:
            if (index.column() == 0) return row.isError ? QStringLiteral("Error") : QString();
            break;
        case Qt::UserRole:
            return row.sequence;
    }
    return {};
}

QVariant LogListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("Message");
    if (section == 1) return QStringLiteral("Remarks");
    return {};
}

void LogListModel::AddNewest(LogRow row) {
    beginInsertRows({}, 0, 0);
    rows_.push_front(std::move(row));
    endInsertRows();
}

void LogListModel::KeepNewest(size_t count) {
    if (rows_.size() <= count) return;
    beginRemoveRows({}, static_cast<int>(count), rowCount() - 1);
    rows_.resize(count);
    endRemoveRows();
}

void LogListModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

}  // namespace tarnel::ui
