#include "ui/CMainFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DocumentSettings.h"
#include "settings/SettingsStore.h"
#include "ui/CAboutDlg.h"
#include "ui/CCoolBar.h"
#include "ui/CCoolBar2.h"
#include "ui/CLeftView.h"
#include "ui/CProgStatusBar.h"
#include "ui/CommandIcons.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"
#include "ui/CvemoraView.h"
#include "ui/DocumentCommands.h"
#include "ui/HelpGuide.h"
#include "ui/QtDocumentHost.h"
#include "ui/SessionFileCommands.h"
#include "ui/WindowPlacement.h"

namespace tarnel::ui {

namespace {

// "Playback Vol" when it cannot be read.
constexpr int kDefaultVolume = 60;

// Commands whose enabled state the frame's flags give.
std::optional<bool> FlagState(const CommandFlags& f, int id) {
    switch (id) {
        case ID_ADD_FILES:
        case ID_ADD_FILES_MENU:
            return f.canAdd;
        case ID_CONVERT:
            return f.canConvert;
        case ID_CANCEL:
            return f.canCancel;
        case ID_PLAY:
            return f.canPlay;
        case ID_PAUSE:
            return f.canPause;
        case ID_STOP:
            return f.canStop;
        case ID_SETTINGS:
        case ID_EXPORT_CONFIGURATION:
        case ID_GENERAL_CONFIGURATION:
            return f.canConfigure;
        default:
            return std::nullopt;
    }
}

bool IsInside(const QWidget* widget, const QWidget* ancestor) {
    return widget && ancestor && (widget == ancestor || ancestor->isAncestorOf(widget));
}

}  // namespace

CMainFrame::CMainFrame(std::unique_ptr<QtDocumentHost> host) : host_(std::move(host)) {
    if (!host_) host_ = std::make_unique<QtDocumentHost>(this);
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    doc_ = std::make_unique<CvemoraDoc>(*host_);
    docCommands_ = std::make_unique<DocumentCommands>(*doc_);
    sessions_ = std::make_unique<SessionFileCommands>(*doc_, *host_, this);
    sessions_->onRecentFilesChanged = [this] { RebuildRecentFiles(); };

    BuildActions();
    BuildToolBar();
    statusBar_ = new CProgStatusBar(this);
    setStatusBar(statusBar_);
    BuildRightColumn();
    BuildMenus();
    BuildClient();
    ConnectDialogsAndPreview();
    doc_->AttachFrame(this);
    // The default size shows the whole tool bar and the two panes at their initial heights.
    resize(QSize(1040, 740).expandedTo(minimumSizeHint()));

    bool tips = true;
    showToolTips_ = !SettingsStore().ReadShowToolTips(tips) || tips;

    // The framework's idle update: whenever the loop has nothing left to do.
    idleConnection_ =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { UpdateCommandUi(); });
    focusConnection_ =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (IsInside(now, listView_)) activePane_ = listView_;
            if (IsInside(now, logView_)) activePane_ = logView_;
        });
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    disconnect(idleConnection_);
    disconnect(focusConnection_);
    // The views go with the widgets; the document must not call them afterwards.
    doc_->RemoveView(listView_);
    doc_->RemoveView(logView_);
    doc_->AttachLoadView(nullptr);
    doc_->AttachFrame(nullptr);
}

void CMainFrame::BuildActions() {
    for (const CommandInfo& info : Commands()) {
        auto* action = new QAction(this);
        const QString menuText = QString::fromUtf8(info.menuText);
        action->setText(menuText.isEmpty() ? QString::fromUtf8(info.label)
                                           : menuText.section(QLatin1Char('\t'), 0, 0));
        if (info.label) action->setIconText(QString::fromUtf8(info.label));
        action->setStatusTip(QString::fromUtf8(info.prompt));
        action->setToolTip(QString::fromUtf8(info.toolTip));
        action->setIcon(CommandIcon(info));
        QList<QKeySequence> keys;
        if (QKeySequence key = MenuShortcut(info.menuText); !key.isEmpty()) keys << key;
        if (info.standardKey != QKeySequence::UnknownKey) {
            for (const QKeySequence& key : QKeySequence::keyBindings(info.standardKey)) {
                if (!keys.contains(key)) keys << key;
            }
        }
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        actions_[id] = action;
        addAction(action);  // accelerators work while the tool bar or menu is hidden
    }
    Action(ID_VIEW_TOOLBAR)->setCheckable(true);
    Action(ID_VIEW_STATUS_BAR)->setCheckable(true);
    // F6 and Shift+F6 move between the two panes.
    auto* next = new QAction(this);
    next->setShortcut(Qt::Key_F6);
    connect(next, &QAction::triggered, this, [this] { SwitchPane(1); });
    auto* previous = new QAction(this);
    previous->setShortcut(Qt::SHIFT | Qt::Key_F6);
    connect(previous, &QAction::triggered, this, [this] { SwitchPane(-1); });
    addActions({next, previous});
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addActions(
        {Action(ID_FILE_NEW), Action(ID_FILE_OPEN), Action(ID_FILE_SAVE), Action(ID_FILE_SAVE_AS)});
    file->addSeparator();
    recentMenuAnchor_ = file;
    recentSeparator_ = file->addSeparator();
    file->addAction(Action(ID_APP_EXIT));
    RebuildRecentFiles();

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addActions({Action(ID_EDIT_SELECT_ALL), Action(ID_EDIT_UNSELECT_ALL),
                      Action(ID_EDIT_INVERT_SELECTION), Action(ID_EDIT_REMOVE_CONVERTED),
                      Action(ID_EDIT_RESET_CONVERTED)});
    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addActions({Action(ID_VIEW_TOOLBAR), Action(ID_VIEW_STATUS_BAR)});
    QMenu* actions = bar->addMenu(QStringLiteral("&Actions"));
    actions->addActions({Action(ID_ADD_FILES_MENU), Action(ID_CONVERT), Action(ID_CANCEL),
                         Action(ID_PLAY), Action(ID_PAUSE), Action(ID_STOP)});
    QMenu* settings = bar->addMenu(QStringLiteral("&Settings"));
    settings->addActions({Action(ID_EXPORT_CONFIGURATION), Action(ID_GENERAL_CONFIGURATION)});
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(ID_HELP_INDEX));
    help->addSeparator();
    help->addActions({Action(ID_PRODUCT_PAGE), Action(ID_APP_ABOUT)});
    for (QMenu* menu : {file, edit, view, actions, settings, help}) {
        menu->setAccessibleName(PlainText(menu->title()));
        // A menu about to open shows the current state even if the loop has not idled yet.
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUi(); });
    }
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : recentActions_) {
        actions_.erase(action->data().toInt());
        delete action;
    }
    recentActions_.clear();
    const std::vector<std::string> files = sessions_->Recent().Files();
    for (size_t i = 0; i < files.size() && i < RecentFileList::kSize; ++i) {
        const int id = ID_FILE_MRU_FIRST + static_cast<int>(i);
        auto* action = new QAction(
            QString::fromStdString(RecentFileList::MenuText(static_cast<int>(i), files[i])), this);
        action->setData(id);
        action->setStatusTip(QStringLiteral("Open this conversion session"));
        action->setToolTip(QString::fromStdString(files[i]));
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        recentMenuAnchor_->insertAction(recentSeparator_, action);
        recentActions_.push_back(action);
        actions_[id] = action;
    }
}

void CMainFrame::BuildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tool bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setAccessibleName(QStringLiteral("Tool bar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(32, 32));
    toolBar_->setMovable(false);
    const auto add = [this](int id) {
        toolBar_->addAction(Action(id));
        if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(Action(id)))) {
            button->setMinimumWidth(76);
            button->setMaximumWidth(120);
            button->setAccessibleName(Action(id)->iconText());
        }
    };
    add(ID_FILE_NEW);
    add(ID_FILE_OPEN);
    add(ID_FILE_SAVE);
    toolBar_->addSeparator();
    add(ID_ADD_FILES);
    add(ID_CONVERT);
    add(ID_CANCEL);
    toolBar_->addSeparator();
    add(ID_PLAY);
    add(ID_PAUSE);
    add(ID_STOP);
    toolBar_->addSeparator();
    // Settings: the body sends 1004 (nothing happens); the arrow opens the two configurations.
    settingsMenu_ = new QMenu(this);
    settingsMenu_->setAccessibleName(QStringLiteral("Settings"));
    settingsMenu_->addAction(QStringLiteral("Export Configuration"), this,
                             [this] { RouteCommand(ID_EXPORT_CONFIGURATION); });
    settingsMenu_->addAction(QStringLiteral("General Configuration"), this,
                             [this] { RouteCommand(ID_GENERAL_CONFIGURATION); });
    add(ID_SETTINGS);
    settingsButton_ = qobject_cast<QToolButton*>(toolBar_->widgetForAction(Action(ID_SETTINGS)));
    settingsButton_->setMenu(settingsMenu_);
    settingsButton_->setPopupMode(QToolButton::MenuButtonPopup);
    toolBar_->addSeparator();
    add(ID_HELP);
    Action(ID_VIEW_TOOLBAR)->setChecked(true);
}

void CMainFrame::BuildRightColumn() {
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("rightColumn"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(4, 4, 4, 4);
    volumeBar_ = new CCoolBar2(column);
    sideBar_ = new CCoolBar(column);
    layout->addWidget(volumeBar_);
    layout->addWidget(sideBar_, 1);
    auto* dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("rightBands"));
    dock->setAccessibleName(QString::fromUtf8(kSideBarTitle));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));  // a band, not a window: no title bar
    dock->setWidget(column);
    column->setMinimumWidth(210);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    int volume = kDefaultVolume;
    if (!SettingsStore().ReadPlaybackVolume(volume)) volume = kDefaultVolume;
    volumeBar_->Slider().setValue(volume);
    volumeBar_->onVolumeChanged = [this](int position) { ApplyVolume(position); };
}

void CMainFrame::BuildClient() {
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("panes"));
    splitter_->setChildrenCollapsible(false);
    listView_ = new CvemoraView(*doc_, splitter_);
    logView_ = new CLeftView(*doc_, splitter_);
    splitter_->addWidget(listView_);
    splitter_->addWidget(logView_);
    splitter_->setSizes({500, 200});
    splitter_->setStretchFactor(0, 5);
    splitter_->setStretchFactor(1, 2);
    setCentralWidget(splitter_);
    doc_->AddView(listView_);
    doc_->AddView(logView_);
    doc_->AttachLoadView(listView_);
    activePane_ = listView_;
    Action(ID_VIEW_STATUS_BAR)->setChecked(true);
}

CommandTarget* CMainFrame::ActivePane() const {
    if (activePane_ == logView_) return logView_;
    return listView_;
}

void CMainFrame::SwitchPane(int step) {
    (void)step;  // two panes: forward and back are the same move
    QWidget* target = activePane_ == listView_ ? static_cast<QWidget*>(logView_) : listView_;
    target->setFocus(Qt::OtherFocusReason);
    activePane_ = target;
}

void CMainFrame::RouteCommand(int id) {
    // A disabled command does nothing, however it arrives (a queued accelerator, a test).
    if (!CommandEnabled(id)) return;
    for (CommandTarget* target :
         {ActivePane(), static_cast<CommandTarget*>(docCommands_.get()),
          static_cast<CommandTarget*>(sessions_.get()), static_cast<CommandTarget*>(this)}) {
        if (target->OnCommand(id)) return;
    }
}

bool CMainFrame::CommandEnabled(int id) const {
    for (const CommandTarget* target : {static_cast<const CommandTarget*>(ActivePane()),
                                        static_cast<const CommandTarget*>(docCommands_.get()),
                                        static_cast<const CommandTarget*>(sessions_.get()),
                                        static_cast<const CommandTarget*>(this)}) {
        if (std::optional<bool> state = target->OnUpdateCommand(id)) return *state;
    }
    return false;
}

void CMainFrame::UpdateCommandUi() {
    for (const auto& [id, action] : actions_) {
        const bool enabled = CommandEnabled(id);
        if (action->isEnabled() != enabled) action->setEnabled(enabled);
    }
    const QString title = QString::fromStdString(doc_->DisplayTitle()) + QStringLiteral(" - ") +
                          QString::fromUtf8(kProgramTitle);
    if (windowTitle() != title) setWindowTitle(title);
}

bool CMainFrame::OnCommand(int id) {
    switch (id) {
        case ID_APP_EXIT:
            close();
            return true;
        case ID_APP_ABOUT: {
            CAboutDlg about(this);
            about.exec();
            return true;
        }
        case ID_HELP:
        case ID_HELP_INDEX:
            OpenInBrowser(HelpGuideUrl());
            return true;
        case ID_PRODUCT_PAGE:
            OpenInBrowser(ProductPageUrl());
            return true;
        case ID_VIEW_TOOLBAR:
            toolBar_->setVisible(!toolBar_->isVisible());
            Action(ID_VIEW_TOOLBAR)->setChecked(toolBar_->isVisible());
            return true;
        case ID_VIEW_STATUS_BAR:
            statusBar_->setVisible(!statusBar_->isVisible());
            Action(ID_VIEW_STATUS_BAR)->setChecked(statusBar_->isVisible());
            return true;
        default:
            return false;
    }
}

std::optional<bool> CMainFrame::OnUpdateCommand(int id) const {
    if (std::optional<bool> state = FlagState(flags_, id)) return state;
    switch (id) {
        case ID_APP_EXIT:
        case ID_APP_ABOUT:
        case ID_HELP:
        case ID_HELP_INDEX:
        case ID_PRODUCT_PAGE:
        case ID_VIEW_TOOLBAR:
        case ID_VIEW_STATUS_BAR:
            return true;
        default:
            return std::nullopt;
    }
}

void CMainFrame::OnConversionProgress(int fileNumber, int fileCount) {
    statusBar_->ShowProgressText(fileNumber, fileCount, kProcessingFormat);
    if (fileNumber == 0 && fileCount == 0) {
        listView_->ClearRowProgress();
        if (settings::SoundAlertsOn()) host_->PlaySoundAlert(kSoundRunDone);
        if (onRunEnded) onRunEnded();
    }
}

void CMainFrame::OnGeneralSettingsChanged() {
    sideBar_->RefreshSummary();
}

void CMainFrame::OnShowToolTipsChanged() {
    bool tips = true;
    showToolTips_ = !SettingsStore().ReadShowToolTips(tips) || tips;
}

void CMainFrame::ApplyVolume(int position) {
    doc_->SetPreviewVolume(position);
    (void)SettingsStore().WritePlaybackVolume(position);  // fire and forget
}

bool CMainFrame::event(QEvent* event) {
    // The first activation in the process applies the stored volume to the preview.
    if (event->type() == QEvent::WindowActivate && !volumeApplied_) {
        volumeApplied_ = true;
        ApplyVolume(volumeBar_->Slider().value());
    }
    return QMainWindow::event(event);
}

void CMainFrame::ScheduleUpdateCheck() {
    if (!updates_)
        updates_ = std::make_unique<UpdateController>(*host_, UpdateController::Clock{}, this);
    updates_->Schedule();
}

void CMainFrame::RestorePlacement() {
    std::string stored;
    std::optional<WindowPlacement> placement;
    if (SettingsStore().ReadMainWindow(stored)) placement = ParseWindowPlacement(stored);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    if (placement && MeetsScreen(*placement, area.width(), area.height())) {
        setGeometry(placement->NormalRect());
        // A window closed while minimised opens normally: a program that starts as an icon
        // looks as if it had not started.
        if (placement->showCommand == kShowMaximized) {
            showMaximized();
            return;
        }
    }
    show();
}

void CMainFrame::StorePlacement() {
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    WindowPlacement placement;
    placement.showCommand = isMaximized()   ? kShowMaximized
                            : isMinimized() ? kShowMinimized
                                            : kShowNormal;
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    (void)SettingsStore().WriteMainWindow(FormatWindowPlacement(placement));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!sessions_->SaveModified()) {
        event->ignore();
        return;
    }
    // Waits at most 500 ms for a running update request, then abandons it.
    updates_.reset();
    StorePlacement();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    // Files dropped on the frame itself open as sessions, one after another; the list view
    // takes drops on the list.
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        // A failed open or a cancelled prompt ends the drop.
        if (!sessions_->OpenSession(url.toLocalFile().toStdString())) break;
    }
    event->acceptProposedAction();
}

}  // namespace tarnel::ui
