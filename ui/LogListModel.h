#pragma once
// The rows of the log window, newest first. Each row keeps its sequence number (its sort key:
// a larger number is newer), so a new row always goes to the top and the oldest is the last.
// GUI thread only.
#include <QAbstractTableModel>
#include <QIcon>

#include <cstdint>
#include <deque>

namespace tarnel::ui {

struct LogRow {
    QString message;
    QString remarks;
    bool isError = false;
    int32_t sequence = 0;
};

class LogListModel : public QAbstractTableModel {
public:
    static constexpr int kMaxMessageCharacters = 259;

    LogListModel(QIcon messageIcon, QIcon errorIcon, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::deque<LogRow>& Rows() const { return rows_; }
    // Adds the row above every other (its sequence must be the largest).
    void AddNewest(LogRow row);
    // Removes the oldest rows until at most `count` remain.
    void KeepNewest(size_t count);
    void Clear();

private:
    std::deque<LogRow> rows_;
    QIcon messageIcon_;
    QIcon errorIcon_;
};

}  // namespace tarnel::ui
