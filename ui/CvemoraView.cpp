#include "ui/CvemoraView.h"

#include <QStandardItemModel>
#include <QTimer>

#include <filesystem>

#include "app/SessionLoader.h"
#include "settings/SettingsStore.h"
#include "ui/CommandIds.h"

namespace tarnel::ui {

namespace {
enum Column { kName, kFormat, kDuration, kStatus };
constexpr int kEntryRole = Qt::UserRole + 1;
}  // namespace

CvemoraView::CvemoraView(CvemoraDoc& doc, QWidget* parent)
    : CListViewEx(parent), doc_(doc), model_(new QStandardItemModel(0, 4, this)) {
    model_->setHorizontalHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Format"),
                                       QStringLiteral("Duration"), QStringLiteral("Status")});
    setModel(model_);
    setAccessibleName(QStringLiteral("Conversion list"));
    connect(model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (filling_ || item->column() != kName) return;
        const std::string path = item->data(kEntryRole).toString().toStdString();
        if (item->checkState() == Qt::Checked) {
            doc_.CheckEntry(path);
        } else {
            doc_.UncheckEntry(path);
        }
    });
}

int CvemoraView::RowOf(const AudioData* entry) const {
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (model_->item(row, kName)->data(kEntryRole).toString().toStdString() == entry->path) {
            return row;
        }
    }
    return -1;
}

void CvemoraView::OnUpdate(CvemoraDoc&, UpdateHint hint, const HintArgument& argument) {
    filling_ = true;
    switch (hint) {
        case HINT_CLEARED:
            model_->removeRows(0, model_->rowCount());
            break;
        case HINT_ENTRY_ADDED: {
            const AudioData& entry = *argument.entry;
            auto* name = new QStandardItem(
                QString::fromStdString(std::filesystem::path(entry.path).filename().string()));
            name->setData(QString::fromStdString(entry.path), kEntryRole);
            name->setCheckable(true);
            bool tick = tickMode_ == RowTickMode::Tick;
            if (tickMode_ == RowTickMode::FollowSetting) {
                bool on = true;
                tick = !SettingsStore().ReadCheckItemsWhenAdded(on) || on;
            }
            name->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
            const int seconds = static_cast<int>(entry.duration);
            model_->appendRow(
                {name, new QStandardItem(QString::fromStdString(entry.format)),
                 new QStandardItem(QStringLiteral("%1:%2")
                                       .arg(seconds / 60)
                                       .arg(seconds % 60, 2, 10, QLatin1Char('0'))),
                 new QStandardItem(QString::fromUtf8(ListedStatusText(entry.status)))});
            rowAdded_ = true;
            filling_ = false;
            if (tick) doc_.CheckEntry(entry.path);
            break;
        }
        case HINT_ENTRY_STATUS:
            if (const int row = RowOf(argument.entry.get()); row >= 0) {
                model_->item(row, kStatus)
                    ->setText(QString::fromUtf8(ListedStatusText(argument.entry->status)));
            }
            break;
        case HINT_STATUS_RESET:
            for (int row = 0; row < model_->rowCount(); ++row) {
                model_->item(row, kStatus)->setText(QStringLiteral("Idle"));
            }
            break;
        default:
            break;
    }
    filling_ = false;
}

void CvemoraView::OnLoadPending() {
    SessionLoader(doc_, *this).Run();
}

void CvemoraView::showEvent(QShowEvent* event) {
    CListViewEx::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The first update: add the entries of a session opened from the command line.
    QTimer::singleShot(0, this, [this] { OnLoadPending(); });
}

void CvemoraView::PlaySelection() {
    if (!playSelection_) return;
    std::vector<std::string> paths;
    for (const QModelIndex& index : selectionModel()->selectedRows(kName)) {
        paths.push_back(index.data(kEntryRole).toString().toStdString());
    }
    playSelection_(paths);
}

bool CvemoraView::OnCommand(int id) {
    switch (id) {
        case ID_EDIT_SELECT_ALL:
            selectAll();
            return true;
        case ID_EDIT_UNSELECT_ALL:
            clearSelection();
            return true;
        case ID_PLAY_SELECTION:
            PlaySelection();
            return true;
        default:
            return false;
    }
}

std::optional<bool> CvemoraView::OnUpdateCommand(int id) const {
    if (id == ID_EDIT_SELECT_ALL || id == ID_EDIT_UNSELECT_ALL) return model_->rowCount() > 0;
    return std::nullopt;
}

}  // namespace tarnel::ui
