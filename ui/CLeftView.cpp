#include "ui/CLeftView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>

#include "app/DocumentHost.h"
#include "app/DocumentSettings.h"
#include "settings/SettingsStore.h"
#include "ui/CommandIds.h"
#include "ui/ViewImages.h"

namespace tarnel::ui {

namespace {

constexpr double kMessageShare = 0.75;
constexpr double kRemarksShare = 0.24;
constexpr double kFirstRemarksShare = 0.25;  // before the first resize

}  // namespace

CLeftView::CLeftView(CvemoraDoc& doc, QWidget* parent)
    : QTableView(parent), doc_(doc), model_(LogMessageIcon(), LogErrorIcon(), this) {
    setModel(&model_);
    setAccessibleName(QStringLiteral("Log"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(qMax(fontMetrics().height() + 4, 20));
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);  // the rows keep their newest-first order
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMinimumSize(20, 100);

    menu_ = new QMenu(this);
    QAction* clear = menu_->addAction(QStringLiteral("&Clear All"));
    connect(clear, &QAction::triggered, this, [this] { OnCommand(ID_LOG_CLEAR_ALL); });

    ApplyColumnWidths(kFirstRemarksShare);
    ReadDepth();
    (void)SettingsStore().ReadLoggingLevel(level_);  // unreadable: Verbose stays
}

QMenu* CLeftView::OpenContextMenu() const {
    return menu_ && menu_->isVisible() ? menu_ : nullptr;
}

QSize CLeftView::minimumSizeHint() const {
    return QSize(20, 100);
}

void CLeftView::ReadDepth() {
    int32_t stored = static_cast<int32_t>(depth_);
    (void)SettingsStore().ReadLoggingDepth(stored);  // unreadable: the current depth stays
    uint32_t depth = static_cast<uint32_t>(stored);
    if (depth < kMinimumDepth) {
        depth = kMinimumDepth;
        (void)SettingsStore().WriteLoggingDepth(static_cast<int32_t>(depth));  // best effort
    }
    if (depth != depth_) {
        depth_ = depth;
        model_.KeepNewest(depth_);
    }
}

void CLeftView::OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) {
    switch (hint) {
        case HINT_CLEARED:
            model_.Clear();
            sequence_ = kFirstSequence;
            convertedSeen_ = false;
            break;
        case HINT_ENTRY_ADDED:
            if (argument.entry && argument.entry->status == FileStatus::Converted) {
                convertedSeen_ = true;
            }
            break;
        case HINT_ENTRY_STATUS:
            if (argument.entry) convertedSeen_ = argument.entry->status == FileStatus::Converted;
            break;
        case HINT_LOG:
            TakeAndShow(argument.marker);
            break;
        case HINT_SETTINGS:
            ReadDepth();
            (void)SettingsStore().ReadLoggingLevel(level_);
            break;
        default:
            break;
    }
    (void)doc;
}

void CLeftView::TakeAndShow(int32_t marker) {
    LogRecord record;
    if (!doc_.TakeLogRecord(record)) return;
    if (marker == kResetNoticeMarker) {
        // A reset notice means something only right after a completed conversion.
        if (!convertedSeen_) return;
        convertedSeen_ = false;
    }
    Show(record);
    // Every taken record but a selection notice alerts, also one the level filters out.
    if (record.code != LOG_SELECTION && settings::SoundAlertsOn()) {
        doc_.Host().PlaySoundAlert(kSoundLogAlert);
    }
}

void CLeftView::Show(const LogRecord& record) {
    if (record.text.empty()) return;
    if (!record.isError) {
        if (level_ == 2 && (record.code == LOG_CANCELLED || record.code == LOG_SELECTION)) return;
        if (level_ == 1 && record.code == LOG_SELECTION) return;
    }
    if (model_.Rows().size() >= depth_) model_.KeepNewest(depth_ - 1);
    LogRow row;
    row.message = QString::fromStdString(record.text).left(LogListModel::kMaxMessageCharacters);
    row.remarks = record.isError ? QStringLiteral("Error code: %1").arg(record.errorNumber)
                                 : QString::fromStdString(record.remarks);
    row.isError = record.isError;
    row.sequence = ++sequence_;
    model_.AddNewest(std::move(row));
}

void CLeftView::ClearAll() {
    model_.Clear();
    sequence_ = kFirstSequence;
}

bool CLeftView::OnCommand(int id) {
    if (id != ID_LOG_CLEAR_ALL) return false;
    ClearAll();
    return true;
}

std::optional<bool> CLeftView::OnUpdateCommand(int id) const {
    if (id == ID_LOG_CLEAR_ALL) return true;
    return std::nullopt;
}

void CLeftView::ApplyColumnWidths(double remarksShare) {
    const int width = viewport()->width();
    setColumnWidth(0, static_cast<int>(kMessageShare * width));
    setColumnWidth(1, static_cast<int>(remarksShare * width));
}

void CLeftView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    ApplyColumnWidths(kRemarksShare);
}

void CLeftView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        menu_->popup(viewport()->mapToGlobal(event->position().toPoint()));
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = currentIndex();
        const QPoint at =
            current.isValid() ? visualRect(current).center() : viewport()->rect().center();
        menu_->popup(viewport()->mapToGlobal(at));
    }
}

}  // namespace tarnel::ui
