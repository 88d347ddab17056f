#include "ui/FileListModel.h"

#include <QFileIconProvider>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "ui/CListViewEx.h"

namespace tarnel::ui {

namespace {

const char* const kHeaders[FileListModel::kColumnCount] = {"Audio File's Name", "Format",
                                                           "Duration", "Status"};

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::SetShowFileNameOnly(bool on) {
    if (on == fileNameOnly_) return;
    fileNameOnly_ = on;
    if (!rows_.empty()) {
        emit dataChanged(index(0, kNameColumn), index(rowCount() - 1, kNameColumn),
                         {Qt::DisplayRole, Qt::AccessibleTextRole});
    }
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString FileListModel::NameText(const AudioData& entry) const {
    QString text = QString::fromStdString(entry.path).left(kMaxPathCharacters);
    if (fileNameOnly_) text = text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
    return text;
}

QString FileListModel::DurationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // Very long durations are capped rather than overflowing the hour count.
    seconds = std::min(seconds, 3600.0 * 1e6);
    const int h = static_cast<int>(seconds / 3600);
    const double r = seconds - 3600.0 * h;
    const int m = static_cast<int>(r / 60);
    const int s = static_cast<int>(r - 60.0 * m);
    if (h > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(h, 2, 10, QLatin1Char('0'))
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

QString FileListModel::StatusCellText(FileStatus shown) {
    const std::string_view text = StatusText(shown);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QIcon FileListModel::IconFor(const AudioData& entry) const {
    // One icon per file type: asking the desktop for every row of a long list is slow, and
    // the files of one type share their icon anyway.
    const QFileInfo info(QString::fromStdString(entry.path));
    const QString suffix = info.suffix().toLower();
    auto it = iconBySuffix_.find(suffix);
    if (it == iconBySuffix_.end()) {
        QFileIconProvider provider;
        provider.setOptions(QFileIconProvider::DontUseCustomDirectoryIcons);
        QIcon icon = provider.icon(info);
        if (icon.isNull()) icon = provider.icon(QFileIconProvider::File);
        it = iconBySuffix_.insert(suffix, icon);
    }
    return *it;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const FileRow& row = Row(index.row());
    const AudioData& entry = *row.entry;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            switch (index.column()) {
                case kNameColumn:
                    return NameText(entry);
                case kFormatColumn:
                    return QString::fromStdString(entry.format);
                case kDurationColumn:
                    return DurationText(entry.duration);
                case kStatusColumn:
                    return StatusCellText(row.shown);
            }
            break;
        case Qt::ToolTipRole:
            if (index.column() == kNameColumn) return QString::fromStdString(entry.path);
            break;
        case Qt::DecorationRole:
            if (index.column() == kNameColumn) return IconFor(entry);
            break;
        case Qt::CheckStateRole:
            if (index.column() == kNameColumn) return row.ticked ? Qt::Checked : Qt::Unchecked;
            break;
        case Qt::TextAlignmentRole:
            return index.column() == kNameColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                 : QVariant(Qt::AlignHCenter | Qt::AlignVCenter);
        case CListViewEx::kEntryRole:
            return QVariant::fromValue(reinterpret_cast<quintptr>(row.entry.get()));
    }
    return {};
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kNameColumn ||
        index.row() >= rowCount()) {
        return false;
    }
    const bool wanted = value.toInt() != Qt::Unchecked;
    if (wanted != Row(index.row()).ticked && toggle_) toggle_(index.row());
    return true;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(kHeaders[section]);
    if (role == Qt::TextAlignmentRole) {
        return section == kNameColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kNameColumn) f |= Qt::ItemIsUserCheckable;
    return f;
}

int FileListModel::RowOf(std::string_view path) const {
    const auto it = rowOfPath_.find(path);
    return it == rowOfPath_.end() ? -1 : it->second;
}

void FileListModel::AppendRow(const AudioDataPtr& entry, FileStatus shown) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.push_back(FileRow{entry, shown, false});
    rowOfPath_.try_emplace(std::string_view(entry->path), row);
    endInsertRows();
}

void FileListModel::SetShown(int row, FileStatus shown) {
    rows_[static_cast<size_t>(row)].shown = shown;
    const QModelIndex cell = index(row, kStatusColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::AccessibleTextRole});
}

void FileListModel::SetTicked(int row, bool ticked) {
    FileRow& r = rows_[static_cast<size_t>(row)];
    if (r.ticked == ticked) return;
    r.ticked = ticked;
    tickedCount_ += ticked ? 1 : -1;
    const QModelIndex cell = index(row, kNameColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void FileListModel::SetAllShown(const std::function<FileStatus(const FileRow&)>& shown) {
    if (rows_.empty()) return;
    for (FileRow& row : rows_) row.shown = shown(row);
    emit dataChanged(index(0, kStatusColumn), index(rowCount() - 1, kStatusColumn),
                     {Qt::DisplayRole, Qt::AccessibleTextRole});
}

void FileListModel::RemoveRowSet(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int r) { return r < 0 || r >= rowCount(); });
    if (rows.empty()) return;
    // Contiguous runs, removed from the bottom so the earlier runs keep their numbers. Many
    // scattered runs would each shift the rest of the list; one reset is cheaper then.
    std::vector<std::pair<int, int>> runs;
    for (int r : rows) {
        if (!runs.empty() && runs.back().second + 1 == r) {
            runs.back().second = r;
        } else {
            runs.emplace_back(r, r);
        }
    }
    for (int r : rows) tickedCount_ -= rows_[static_cast<size_t>(r)].ticked ? 1 : 0;
    constexpr size_t kMaxRuns = 32;
    if (runs.size() <= kMaxRuns) {
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            beginRemoveRows({}, it->first, it->second);
            rows_.erase(rows_.begin() + it->first, rows_.begin() + it->second + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        std::vector<bool> drop(rows_.size(), false);
        for (int r : rows) drop[static_cast<size_t>(r)] = true;
        size_t i = 0;
        std::erase_if(rows_, [&](const FileRow&) { return drop[i++]; });
        endResetModel();
    }
    RebuildIndex();
}

void FileListModel::Clear() {
    beginResetModel();
    rows_.clear();
    rowOfPath_.clear();
    tickedCount_ = 0;
    endResetModel();
}

void FileListModel::SortRows(
    const std::function<bool(const AudioData&, const AudioData&)>& before) {
    if (rows_.size() < 2) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return before(*rows_[static_cast<size_t>(a)].entry, *rows_[static_cast<size_t>(b)].entry);
    });
    std::vector<FileRow> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from) {
        to.push_back(index(newRowOf[static_cast<size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(from, to);
    RebuildIndex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::RebuildIndex() {
    rowOfPath_.clear();
    rowOfPath_.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        rowOfPath_.try_emplace(std::string_view(rows_[i].entry->path), static_cast<int>(i));
    }
}

}  // namespace tarnel::ui
