#pragma once
// The rows of the file list: one per listed entry, in the list's display order. A row holds
// its entry (shared with the document), the status its "Status" cell shows, and whether its
// check box is set. Cells are computed from the entry when asked for, so a row costs only its
// three members and a hint for one entry touches one row. A path index finds the first row of
// a path in constant time; sorting and removal rebuild it once per operation.
//
// Check boxes are real check-state items: setting Qt::CheckStateRole (a click on the box, the
// keyboard, an accessibility client) asks the toggle handler, which goes through the document.
// GUI thread only.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/AudioData.h"

namespace tarnel::ui {

struct FileRow {
    AudioDataPtr entry;
    FileStatus shown = FileStatus::Idle;
    bool ticked = false;
};

class FileListModel : public QAbstractTableModel {
public:
    enum Column { kNameColumn = 0, kFormatColumn = 1, kDurationColumn = 2, kStatusColumn = 3 };
    static constexpr int kColumnCount = 4;
    static constexpr int kMaxPathCharacters = 259;

    explicit FileListModel(QObject* parent = nullptr);

    // Asked to flip the tick of a row; the handler toggles through SetTicked.
    void SetToggleHandler(std::function<void(int row)> handler) { toggle_ = std::move(handler); }
    // "Show FQPN": the name column shows the file name without its folder.
    void SetShowFileNameOnly(bool on);
    bool ShowFileNameOnly() const { return fileNameOnly_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::vector<FileRow>& Rows() const { return rows_; }
    const FileRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
    // First row showing the path, -1 when none.
    int RowOf(std::string_view path) const;
    int TickedCount() const { return tickedCount_; }

    void AppendRow(const AudioDataPtr& entry, FileStatus shown);
    void SetShown(int row, FileStatus shown);
    void SetTicked(int row, bool ticked);
    // Every row's "Status" cell from the function at once.
    void SetAllShown(const std::function<FileStatus(const FileRow&)>& shown);
    // Removes the given rows (any order, no duplicates needed).
    void RemoveRowSet(std::vector<int> rows);
    void Clear();
    // Reorders the rows so that `before(a, b)` holds for each neighbouring pair it decides;
    // rows it finds equal keep their order. Selection and current row follow their rows.
    void SortRows(const std::function<bool(const AudioData&, const AudioData&)>& before);

    // The texts of the cells.
    QString NameText(const AudioData& entry) const;
    static QString DurationText(double seconds);
    static QString StatusCellText(FileStatus shown);

private:
    void RebuildIndex();
    QIcon IconFor(const AudioData& entry) const;

    std::vector<FileRow> rows_;
    std::unordered_map<std::string_view, int> rowOfPath_;  // views into the rows' entries
    int tickedCount_ = 0;
    bool fileNameOnly_ = false;
    std::function<void(int)> toggle_;
    mutable QHash<QString, QIcon> iconBySuffix_;
};

}  // namespace tarnel::ui
