#pragma once
// The program's single top-level window: the tool bar, the six menus and the accelerators, the
// right-hand column (volume bar over the export summary), the file list over the log window in
// a splitter, and the progress status bar. It holds the command-enable flags the document
// writes, routes every command (the pane that last had focus, then the document, then the
// session commands, then itself) and refreshes the enabled state of every action whenever the
// event loop is about to wait, the way the framework's idle update does.
//
// It owns the document and its host. GUI thread only.
#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/CvemoraDoc.h"
#include "app/DocumentFrame.h"
#include "app/UpdateController.h"
#include "ui/CommandTarget.h"
#include "ui/QtDocumentHost.h"

class QAction;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;

namespace tarnel::ui {

class CCoolBar;
class CCoolBar2;
class CLeftView;
class CProgStatusBar;
class CvemoraView;
class DocumentCommands;
class SessionFileCommands;

class CMainFrame : public QMainWindow, public DocumentFrame, public CommandTarget {
    Q_OBJECT
public:
    // Without a host the frame makes the Qt one; tests pass their own (answering the prompts).
    explicit CMainFrame(std::unique_ptr<QtDocumentHost> host = nullptr);
    ~CMainFrame() override;

    CvemoraDoc& Document() { return *doc_; }
    QtDocumentHost& Host() { return *host_; }
    SessionFileCommands& Sessions() { return *sessions_; }
    DocumentCommands& DocCommands() { return *docCommands_; }
    CvemoraView& ListView() { return *listView_; }
    CLeftView& LogView() { return *logView_; }
    CProgStatusBar& ProgressBar() { return *statusBar_; }
    CCoolBar& SideBar() { return *sideBar_; }
    CCoolBar2& VolumeBar() { return *volumeBar_; }
    QToolBar& ToolBar() { return *toolBar_; }
    QSplitter& Splitter() { return *splitter_; }
    // The action of a command id (shared by menu, tool bar and accelerator); null for none.
    QAction* Action(int id) const;
    // The Settings drop-down's menu (Export Configuration, General Configuration).
    QMenu& SettingsMenu() { return *settingsMenu_; }

    // Routes a command: the active pane, the document, the session commands, the frame.
    void RouteCommand(int id);
    // The enabled state the route gives the command; false when no stop handles it.
    bool CommandEnabled(int id) const;
    // The idle update: every action's enabled state and the window title.
    void UpdateCommandUi();

    // Start-up step 9: applies the stored placement, or shows the window normally.
    void RestorePlacement();
    // Writes "MainWindow" (done when the window closes).
    void StorePlacement();
    // Start-up step 12: timer 1000 for the update check.
    void ScheduleUpdateCheck();
    UpdateController* Updates() { return updates_.get(); }

    // DocumentFrame
    CommandFlags& Flags() override { return flags_; }
    void OnConversionProgress(int fileNumber, int fileCount) override;
    void OnGeneralSettingsChanged() override;
    // Message 1642 from the general configuration dialog: "Show ToolTips" changed.
    void OnShowToolTipsChanged();
    bool ShowToolTips() const { return showToolTips_; }
    // Called after the end of each conversion run (progress (0, 0)); for tests and automation.
    std::function<void()> onRunEnded;

    // CommandTarget: the frame's own commands and the flag-driven update handlers.
    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildClient();
    // The configuration dialogs behind the host, and preview playback behind the commands.
    void ConnectDialogsAndPreview();
    void BuildRightColumn();
    void RebuildRecentFiles();
    void ApplyVolume(int position);
    void SwitchPane(int step);
    CommandTarget* ActivePane() const;

    CommandFlags flags_;
    std::unique_ptr<QtDocumentHost> host_;
    std::unique_ptr<CvemoraDoc> doc_;
    std::unique_ptr<DocumentCommands> docCommands_;
    std::unique_ptr<SessionFileCommands> sessions_;
    std::unique_ptr<UpdateController> updates_;

    std::map<int, QAction*> actions_;
    QMenu* recentMenuAnchor_ = nullptr;  // the File menu
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    QMenu* settingsMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QToolButton* settingsButton_ = nullptr;
    QSplitter* splitter_ = nullptr;
    CvemoraView* listView_ = nullptr;
    CLeftView* logView_ = nullptr;
    CProgStatusBar* statusBar_ = nullptr;
    CCoolBar* sideBar_ = nullptr;
    CCoolBar2* volumeBar_ = nullptr;
    QWidget* activePane_ = nullptr;  // the view that last had the focus
    QMetaObject::Connection idleConnection_;
    QMetaObject::Connection focusConnection_;
    bool volumeApplied_ = false;
    bool showToolTips_ = true;
};

}  // namespace tarnel::ui
