#include "ui/AutomationHook.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/CMainFrame.h"

namespace tarnel::ui {

namespace {

// Milliseconds since the process started, from the kernel's start time of this process.
double MillisecondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // Field 22 (starttime) is the 20th after the command name.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const double ticks = sysconf(_SC_CLK_TCK);
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    return (uptime - std::stod(field) / ticks) * 1000.0;
}

// The session is listed: the load loop has handed out every pending entry, and the list view
// has been shown (its first update runs the load).
bool SessionListed(CMainFrame& frame) {
    return frame.Document().NextPendingIndex() == -1 && frame.isVisible();
}

}  // namespace

void InstallAutomationHook(CMainFrame& frame) {
    const QString autorun = qEnvironmentVariable("TARNEL_UI_AUTORUN");
    const bool reportReady = qEnvironmentVariable("TARNEL_UI_REPORT_READY") == QLatin1String("1");
    if (autorun.isEmpty() && !reportReady) return;

    auto* dispatcher = QAbstractEventDispatcher::instance();
    auto fired = std::make_shared<bool>(false);
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &frame,
                     [&frame, fired, autorun, reportReady] {
                         if (*fired || !SessionListed(frame)) return;
                         *fired = true;
                         // Out of whatever nested loop is idling now.
                         QTimer::singleShot(0, &frame, [&frame, autorun, reportReady] {
                             if (reportReady) {
                                 frame.repaint();
                                 std::printf("ready %.1f %zu\n", MillisecondsSinceProcessStart(),
                                             frame.Document().Entries().size());
                                 std::fflush(stdout);
                                 QApplication::exit(0);
                                 return;
                             }
                             for (const QString& id : autorun.split(QLatin1Char(','))) {
                                 frame.RouteCommand(id.toInt());
                             }
                         });
                     });
    if (autorun.isEmpty()) return;
    frame.onRunEnded = [&frame] {
        for (const auto& entry : frame.Document().Entries()) {
            std::printf("entry %d %s\n", static_cast<int>(entry->status), entry->path.c_str());
        }
        std::fflush(stdout);
        QApplication::exit(0);
    };
}

}  // namespace tarnel::ui
