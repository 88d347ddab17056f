#include "ui/CvemoraApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QPalette>
#include <QStyleFactory>

#include "app/RegisterProgramFilters.h"
#include "settings/StartupPass.h"
#include "ui/AutomationHook.h"
#include "ui/CMainFrame.h"
#include "ui/CommandIcons.h"
#include "ui/SessionFileCommands.h"

namespace tarnel::ui {

namespace {

// TARNEL_COLOR_SCHEME=dark: the Fusion style with a dark palette, for desktops whose platform
// theme gives Qt no dark palette (and for looking at the dark look on any desktop).
void ApplyColourScheme() {
    if (qEnvironmentVariable("TARNEL_COLOR_SCHEME") != QLatin1String("dark")) return;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    const QColor window(45, 47, 52), base(30, 31, 35), text(230, 231, 235), dim(130, 132, 140);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(61, 122, 214));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(120, 170, 255));
    dark.setColor(QPalette::PlaceholderText, dim);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, dim);
    }
    QApplication::setPalette(dark);
}

}  // namespace

CvemoraApp::CvemoraApp(HostFactory hostFactory) : hostFactory_(std::move(hostFactory)) {}

CvemoraApp::~CvemoraApp() {
    frame_.reset();
    // Exit step: the marker goes with marker_.
}

CvemoraApp::Arguments CvemoraApp::ParseArguments(const QStringList& arguments) {
    Arguments parsed;
    const QStringList rest = arguments.mid(1);  // Qt has taken its own options already
    if (rest.size() > 1 || (rest.size() == 1 && rest[0].startsWith(QLatin1Char('-')))) {
        parsed.error = "Usage: tarnel-audio-converter [session.qzconv]";
        return parsed;
    }
    if (rest.size() == 1) parsed.session = QFileInfo(rest[0]).absoluteFilePath().toStdString();
    return parsed;
}

void CvemoraApp::InitProcess() {
    QApplication::setApplicationName(QString::fromUtf8(kApplicationName));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kProgramTitle));
    QApplication::setOrganizationName(QStringLiteral("Tarnel Solutions"));
    QApplication::setApplicationVersion(QStringLiteral(TARNEL_VERSION_TEXT));
    RegisterProgramFilters();
    ApplyColourScheme();
}

bool CvemoraApp::InitInstance(const QStringList& argumentList, int64_t now) {
    // 1. The platform (the caller's QApplication and InitProcess).
    // 2. The instance marker; a second instance runs normally without it.
    (void)marker_.Acquire();
    // 3.-5. The settings key is fixed; the defaults pass (with the first-start marking of
    // step 10, which only writes settings); the recent files are read when the menu is built.
    const StartupOutcome startup = RunStartupPass(now);
    // 6. The window's identity: application id and icon.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopFileName));
    QApplication::setWindowIcon(ProgramIcon());
    // 7. The document with its frame and views.
    frame_ = std::make_unique<CMainFrame>(hostFactory_ ? hostFactory_() : nullptr);
    // 8. The command line: nothing, or one session file.
    const Arguments arguments = ParseArguments(argumentList);
    if (!arguments.error.empty()) {
        fprintf(stderr, "%s\n", arguments.error.c_str());
        return false;
    }
    sessionArgument_ = arguments.session;
    if (sessionArgument_ && !frame_->Sessions().OpenSession(*sessionArgument_)) return false;
    // 9. The stored placement, or a normal show.
    frame_->RestorePlacement();
    // 11. Paint at once; drops are accepted from here on.
    frame_->repaint();
    // 12. The update check.
    if (startup.decision == UpdateDecision::ScheduleCheck) frame_->ScheduleUpdateCheck();
    InstallAutomationHook(*frame_);
    // 13.
    return true;
}

}  // namespace tarnel::ui
