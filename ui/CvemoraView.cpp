#include "ui/CvemoraView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/SessionLoader.h"
#include "settings/SettingsStore.h"
#include "ui/CommandIds.h"
#include "ui/ListRowDelegate.h"

namespace tarnel::ui {

namespace {

constexpr double kColumnShares[FileListModel::kColumnCount] = {0.6, 0.1, 0.1, 0.2};
constexpr int kDropPumpMs = 50;

// The list's comparison for a header click: negative when a sorts first. The name column
// compares paths byte for byte; the other columns answer 1 when a's value is the smaller, so
// that the negation applied on a first click orders them from smallest to largest.
int CompareByColumn(int column, const AudioData& a, const AudioData& b) {
    auto reversed = [](const auto& x, const auto& y) { return x < y ? 1 : (y < x ? -1 : 0); };
    switch (column) {
        case FileListModel::kNameColumn: {
            const int c = a.path.compare(b.path);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        case FileListModel::kFormatColumn:
            return reversed(a.format, b.format);
        case FileListModel::kDurationColumn:
            return reversed(a.duration, b.duration);
        case FileListModel::kStatusColumn:
            return reversed(static_cast<int32_t>(a.status), static_cast<int32_t>(b.status));
    }
    return 0;
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool IsListedExtension(const std::string& ext) {
    return ext == ".wma" || ext == ".ogg" || ext == ".mp3" || ext == ".wav";
}

// The local files of a drag, as file managers send them (a list of file URIs).
std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

}  // namespace

CvemoraView::CvemoraView(CvemoraDoc& doc, QWidget* parent)
    : CListViewEx(parent), doc_(doc), model_(this) {
    setModel(&model_);
    setItemDelegate(new ListRowDelegate(*this, FileListModel::kStatusColumn));
    model_.SetToggleHandler([this](int row) { Toggle(row); });
    setAccessibleName(QStringLiteral("Audio files"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { OnHeaderClick(column); });

    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);

    menu_ = new QMenu(this);
    const std::pair<int, const char*> items[] = {{ID_REMOVE_SELECTION, "&Remove Selection"},
                                                 {ID_CHECK_SELECTION, "&Check Selection"},
                                                 {ID_UNCHECK_SELECTION, "&Uncheck Selection"},
                                                 {ID_PLAY_SELECTION, "&Play Selection"}};
    for (const auto& [id, text] : items) {
        QAction* action = menu_->addAction(QString::fromLatin1(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
    }

    repaintHold_.setSingleShot(true);
    repaintHold_.setInterval(40);
    connect(&repaintHold_, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });

    ReadSettings();
    ApplyColumnWidths();
}

void CvemoraView::ReadSettings() {
    SettingsStore store;
    bool fileNameOnly = model_.ShowFileNameOnly();
    (void)store.ReadShowFqpn(fileNameOnly);  // the store's flag rule: missing reads as off
    model_.SetShowFileNameOnly(fileNameOnly);
    (void)store.ReadCheckItemsWhenAdded(tickNewRows_);
}

void CvemoraView::SetPlaySelectionHandler(
    std::function<void(const std::vector<std::string>&)> handler) {
    playSelection_ = std::move(handler);
}

int CvemoraView::RowOfEntry(const AudioData* entry) const {
    return entry ? model_.RowOf(entry->path) : -1;
}

QMenu* CvemoraView::OpenContextMenu() const {
    return menu_ && menu_->isVisible() ? menu_ : nullptr;
}

// --- Hints -----------------------------------------------------------------------------------

void CvemoraView::OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) {
    const AudioDataPtr& entry = argument.entry;
    switch (hint) {
        case HINT_CLEARED:
            model_.Clear();
            RemoveAllRowProgress();
            break;
        case HINT_ENTRY_ADDED: {
            if (!entry) break;
            const FileStatus shown =
                entry->status == FileStatus::Converted || entry->status == FileStatus::Error
                    ? entry->status
                    : FileStatus::Idle;
            if (shown == FileStatus::Converted) hasConverted_ = true;
            HoldRepaints();
            model_.AppendRow(entry, shown);
            const bool tick = tickMode_ == RowTickMode::Tick ||
                              (tickMode_ == RowTickMode::FollowSetting && tickNewRows_);
            if (tick) Toggle(model_.rowCount() - 1);
            rowAdded_ = true;
            break;
        }
        case HINT_ENTRY_STATUS: {
            if (!entry) break;
            const int row = model_.RowOf(entry->path);
            if (row < 0) {
                // A finished entry whose row was removed has no bar to show any more.
                if (entry->status == FileStatus::Converted) RemoveRowProgress(entry);
                break;
            }
            const AudioDataPtr& rowEntry = model_.Row(row).entry;
            rowEntry->status = entry->status;
            if (entry->status == FileStatus::Converted) {
                RemoveRowProgress(rowEntry);
                hasConverted_ = true;
            } else if (entry->status == FileStatus::Converting) {
                progressShown_ = true;
                AddRowProgress(rowEntry);
            }
            model_.SetShown(row, entry->status);
            break;
        }
        case HINT_ENTRY_PROGRESS:
            if (entry) SetRowProgress(entry, entry->progress);
            break;
        case HINT_STATUS_RESET:
            model_.SetAllShown([](const FileRow& row) {
                row.entry->status = row.entry->status == FileStatus::Playing ? FileStatus::Playing
                                                                             : FileStatus::Idle;
                return row.entry->status;
            });
            hasConverted_ = false;
            break;
        case HINT_SETTINGS:
            ReadSettings();
            break;
        default:
            break;
    }
    (void)doc;
}

void CvemoraView::HoldRepaints() {
    // Rows usually come in batches (a drop, the open-file dialog, a session load), with events
    // dispatched after each file. Painting the list for every row would cost more than adding
    // it; painting at most every 40 ms keeps the window live at a fraction of that.
    if (repaintHold_.isActive()) return;
    setUpdatesEnabled(false);
    repaintHold_.start();
}

void CvemoraView::ClearRowProgress() {
    progressShown_ = false;
    RemoveAllRowProgress();
}

// --- Ticking ---------------------------------------------------------------------------------

void CvemoraView::Toggle(int row) {
    ToggleRows({row});
}

void CvemoraView::ToggleRows(const std::vector<int>& rows) {
    // Each toggle is mirrored in row order; a run of unticks goes to the document as one batch,
    // which has the effect of one call per row without a pass over the ticked list for each.
    std::vector<std::string> unticked;
    const auto flush = [&] {
        if (!unticked.empty()) doc_.UncheckEntries(std::exchange(unticked, {}));
    };
    for (int row : rows) {
        if (row < 0 || row >= model_.rowCount()) continue;
        // The path is copied: the document's calls may remove the row's entry.
        std::string path = model_.Row(row).entry->path;
        const bool nowTicked = !model_.Row(row).ticked;
        model_.SetTicked(row, nowTicked);
        if (nowTicked) {
            flush();
            doc_.CheckEntry(path);
        } else {
            unticked.push_back(std::move(path));
        }
    }
    flush();
}

std::vector<int> CvemoraView::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<int> CvemoraView::RowsWhere(const std::function<bool(const FileRow&)>& test,
                                        const std::vector<int>* among) const {
    std::vector<int> rows;
    if (among) {
        for (int row : *among) {
            if (row < model_.rowCount() && test(model_.Row(row))) rows.push_back(row);
        }
        return rows;
    }
    for (int row = 0; row < model_.rowCount(); ++row) {
        if (test(model_.Row(row))) rows.push_back(row);
    }
    return rows;
}

void CvemoraView::SelectAll() {
    ToggleRows(RowsWhere([](const FileRow& r) { return !r.ticked; }));
}

void CvemoraView::UnselectAll() {
    ToggleRows(RowsWhere([](const FileRow& r) { return r.ticked; }));
}

void CvemoraView::InvertSelection() {
    ToggleRows(RowsWhere([](const FileRow&) { return true; }));
}

void CvemoraView::CheckSelection() {
    const std::vector<int> selected = SelectedRows();
    ToggleRows(RowsWhere([](const FileRow& r) { return !r.ticked; }, &selected));
}

void CvemoraView::UncheckSelection() {
    const std::vector<int> selected = SelectedRows();
    ToggleRows(RowsWhere([](const FileRow& r) { return r.ticked; }, &selected));
}

void CvemoraView::RemoveRows(const std::vector<int>& rows) {
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (int row : rows) paths.push_back(model_.Row(row).entry->path);
    doc_.RemoveEntries(paths);
    model_.RemoveRowSet(rows);
}

void CvemoraView::RemoveSelection() {
    RemoveRows(SelectedRows());
}

void CvemoraView::RemoveConverted() {
    // From the last row to the first.
    std::vector<int> rows =
        RowsWhere([](const FileRow& r) { return r.entry->status == FileStatus::Converted; });
    std::reverse(rows.begin(), rows.end());
    RemoveRows(rows);
    hasConverted_ = false;
}

void CvemoraView::PlaySelection() {
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        rows.resize(static_cast<size_t>(model_.rowCount()));
        for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    }
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (int row : rows) paths.push_back(model_.Row(row).entry->path);
    if (playSelection_) playSelection_(paths);
}

// --- Commands --------------------------------------------------------------------------------

bool CvemoraView::OnCommand(int id) {
    switch (id) {
        case ID_EDIT_SELECT_ALL:
            SelectAll();
            return true;
        case ID_EDIT_UNSELECT_ALL:
            UnselectAll();
            return true;
        case ID_EDIT_INVERT_SELECTION:
            InvertSelection();
            return true;
        case ID_EDIT_REMOVE_CONVERTED:
            RemoveConverted();
            return true;
        case ID_EDIT_RESET_CONVERTED:
            // The document's operation; the view owns its enable state.
            doc_.ResetConvertedStatus();
            return true;
        case ID_REMOVE_SELECTION:
            RemoveSelection();
            return true;
        case ID_CHECK_SELECTION:
            CheckSelection();
            return true;
        case ID_UNCHECK_SELECTION:
            UncheckSelection();
            return true;
        case ID_PLAY_SELECTION:
            PlaySelection();
            return true;
    }
    return false;
}

std::optional<bool> CvemoraView::OnUpdateCommand(int id) const {
    switch (id) {
        case ID_EDIT_SELECT_ALL:
            return model_.rowCount() != model_.TickedCount();
        case ID_EDIT_UNSELECT_ALL:
            return model_.TickedCount() > 0;
        case ID_EDIT_INVERT_SELECTION:
            return model_.rowCount() > 0;
        case ID_EDIT_REMOVE_CONVERTED:
        case ID_EDIT_RESET_CONVERTED:
            return hasConverted_;
        case ID_REMOVE_SELECTION:
        case ID_CHECK_SELECTION:
        case ID_UNCHECK_SELECTION:
            return true;
        case ID_PLAY_SELECTION:
            return doc_.PlayIndex() == -1;  // grayed while a preview runs
    }
    return std::nullopt;
}

// --- Sorting ---------------------------------------------------------------------------------

void CvemoraView::OnHeaderClick(int column) {
    if (!progressShown_ && column >= 0 && column < FileListModel::kColumnCount) {
        if (column == sortColumn_) {
            sortFlag_ = !sortFlag_;
        } else {
            sortFlag_ = false;
            sortColumn_ = column;
        }
        const bool flag = sortFlag_;
        model_.SortRows([column, flag](const AudioData& a, const AudioData& b) {
            const int c = CompareByColumn(column, a, b);
            return (flag ? c : -c) < 0;
        });
    }
    // The header's indicator shows the order the rows are in (also after an ignored click).
    QHeaderView* header = horizontalHeader();
    header->setSortIndicatorShown(sortColumn_ >= 0);
    if (sortColumn_ >= 0) {
        const bool ascending = (sortColumn_ == FileListModel::kNameColumn) == sortFlag_;
        header->setSortIndicator(sortColumn_, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

// --- Session load ----------------------------------------------------------------------------

void CvemoraView::OnLoadPending() {
    SessionLoader(doc_, *this).Run();
}

// --- Drops -----------------------------------------------------------------------------------

void CvemoraView::AddDroppedFiles(const std::vector<std::string>& paths) {
    if (paths.size() == 1 && LowerExtension(paths.front()) == ".qzconv") return;
    QPointer<CvemoraView> alive(this);
    for (const std::string& path : paths) {
        if (!IsListedExtension(LowerExtension(path))) continue;
        doc_.AddFile(path, FileStatus::Idle);
        CvemoraDoc::PumpMessages(kDropPumpMs);
        if (!alive) return;
    }
}

void CvemoraView::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFiles(event->mimeData()).empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CvemoraView::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalFiles(event->mimeData()).empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CvemoraView::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (paths.empty() || (paths.size() == 1 && LowerExtension(paths.front()) == ".qzconv")) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Added after the drop has finished, so the file manager is not held for a long list.
    QMetaObject::invokeMethod(
        this, [this, paths = std::move(paths)] { AddDroppedFiles(paths); }, Qt::QueuedConnection);
}

// --- Mouse, keyboard, layout -----------------------------------------------------------------

bool CvemoraView::OnCheckBox(const QPoint& viewportPos, int* row) const {
    const QModelIndex hit = indexAt(viewportPos);
    if (!hit.isValid()) return false;
    const QRect cell = visualRect(model_.index(hit.row(), FileListModel::kNameColumn));
    const ListRowDelegate::Layout layout = ListRowDelegate::FirstColumnLayout(cell);
    // The check box area is the part of the row left of its icon.
    if (viewportPos.x() < cell.left() || viewportPos.x() >= layout.icon.left()) return false;
    *row = hit.row();
    return true;
}

void CvemoraView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        int row = -1;
        if (OnCheckBox(pos, &row)) {
            Toggle(row);
            event->accept();
            return;
        }
    } else if (event->button() == Qt::RightButton) {
        const QModelIndex hit = indexAt(pos);
        // Only a click on one of the selected rows opens the menu; elsewhere nothing happens.
        if (!hit.isValid() || !selectionModel()->isRowSelected(hit.row(), rootIndex())) {
            event->accept();
            return;
        }
        ShowContextMenu(pos);
    }
    CListViewEx::mousePressEvent(event);
}

void CvemoraView::mouseDoubleClickEvent(QMouseEvent* event) {
    int row = -1;
    if (event->button() == Qt::LeftButton && OnCheckBox(event->position().toPoint(), &row)) {
        Toggle(row);  // the second click of a quick pair on the box toggles again
        event->accept();
        return;
    }
    CListViewEx::mouseDoubleClickEvent(event);
}

void CvemoraView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) &&
        event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        Toggle(currentIndex().row());
        event->accept();
        return;
    }
    CListViewEx::keyPressEvent(event);
}

void CvemoraView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // The mouse's menu opens on the button press; the keyboard's opens at the current row when
    // it is selected.
    if (event->reason() != QContextMenuEvent::Keyboard) return;
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), rootIndex())) return;
    ShowContextMenu(visualRect(current).center());
}

void CvemoraView::ShowContextMenu(const QPoint& viewportPos) {
    for (QAction* action : menu_->actions()) {
        const std::optional<bool> enabled = OnUpdateCommand(action->data().toInt());
        action->setEnabled(enabled.value_or(true));
    }
    menu_->popup(viewport()->mapToGlobal(viewportPos));
}

void CvemoraView::showEvent(QShowEvent* event) {
    CListViewEx::showEvent(event);
    if (firstShown_) return;
    firstShown_ = true;
    ApplyColumnWidths();
    // Adds the entries of a session opened before the view was shown.
    QMetaObject::invokeMethod(
        this, [this] { OnLoadPending(); }, Qt::QueuedConnection);
}

void CvemoraView::resizeEvent(QResizeEvent* event) {
    CListViewEx::resizeEvent(event);
    ApplyColumnWidths();
}

void CvemoraView::ApplyColumnWidths() {
    const int client = viewport()->width() - 2;
    for (int column = 0; column < FileListModel::kColumnCount; ++column) {
        setColumnWidth(column, static_cast<int>(kColumnShares[column] * std::max(client, 0)));
    }
}

}  // namespace tarnel::ui
