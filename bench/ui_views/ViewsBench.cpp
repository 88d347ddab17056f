// The file list and the log window with a long list, over the real document and probe:
//   1. probing N short WAV files alone (the floor),
//   2. adding them to the list as a drop does (probe, row, tick, PumpMessages between files),
//   3. saving the list as a session and loading it again (WM_LOAD_PENDING),
//   4. sorting by header clicks, and the commands over every row,
// with wall times and the peak resident memory after each step.
//
//   tarnel_bench_ui_views <work folder> [file count, default 20000]
//   tarnel_bench_ui_views --look <output folder>   paints the views into PNG files
#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QSplitter>
#include <QStyleFactory>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/CvemoraDoc.h"
#include "bench/common/BenchSupport.h"
#include "engine/SourceProbe.h"
#include "platform/media/SystemFilters.h"
#include "settings/SettingsStore.h"
#include "ui/CLeftView.h"
#include "ui/CommandIds.h"
#include "ui/CvemoraView.h"
#include "ui/controls/CThemeHelper.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class QuietHost : public tarnel::DocumentHost {
public:
    void ShowMessage(const std::string&, tarnel::MessageIcon) override {}
    std::optional<std::vector<std::string>> ChooseFilesToOpen(
        const tarnel::OpenFilesRequest&) override {
        return std::nullopt;
    }
    void SetWaitCursor(bool) override {}
    void RepaintMainWindow() override {}
    void PlaySoundAlert(int) override {}
    tarnel::ExportDialogResult RunExportConfiguration() override { return {}; }
    bool RunGeneralConfiguration() override { return false; }
};

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> MakeFiles(const fs::path& folder, int count) {
    fs::create_directories(folder);
    const fs::path first = folder / "take00000.wav";
    tarnel::bench::WriteMusicWav(first, 0.05, 8000);
    std::ifstream in(first, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char name[32];
        // Shuffled numbers, so that sorting by name has work to do.
        std::snprintf(name, sizeof name, "take%05d.wav", (i * 7919) % count);
        const fs::path path = folder / name;
        if (!fs::exists(path)) std::ofstream(path, std::ios::binary) << bytes;
        paths.push_back(path.string());
    }
    return paths;
}

struct Views {
    explicit Views(tarnel::CvemoraDoc& doc) : list(doc, &splitter), log(doc, &splitter) {
        splitter.setOrientation(Qt::Vertical);
        splitter.addWidget(&list);
        splitter.addWidget(&log);
        splitter.resize(900, 600);
        splitter.setSizes({420, 180});
        doc.AddView(&list);
        doc.AddView(&log);
        doc.AttachLoadView(&list);
    }
    QSplitter splitter;
    tarnel::ui::CvemoraView list;
    tarnel::ui::CLeftView log;
};

void Report(const char* step, double seconds, int files) {
    std::printf("%-34s %9.3f s %9.3f ms/file   peak %7.1f MB\n", step, seconds,
                files > 0 ? seconds * 1000.0 / files : 0.0, PeakMegabytes());
    std::fflush(stdout);
}

int Bench(const fs::path& work, int count) {
    tarnel::bench::UsePrivateFolders(work);
    tarnel::RegisterSystemFilters(tarnel::FilterRegistry::Default());
    tarnel::SettingsStore().WriteCheckItemsWhenAdded(true);
    tarnel::SettingsStore().WriteLoggingDepth(100);
    const std::vector<std::string> paths = MakeFiles(work / "files", count);
    std::printf("%d files of %ju bytes; start peak %.1f MB\n", count,
                static_cast<uintmax_t>(fs::file_size(paths.front())), PeakMegabytes());

    auto start = Clock::now();
    int probed = 0;
    for (const auto& p : paths) probed += tarnel::ProbeFile(p).Succeeded() ? 1 : 0;
    const double probeSeconds = SecondsSince(start);
    Report("probe only", probeSeconds, count);
    if (probed != count) std::printf("  %d files failed the probe\n", count - probed);

    QuietHost host;
    tarnel::CvemoraDoc doc(host);
    Views views(doc);
    views.splitter.show();
    tarnel::CvemoraDoc::PumpMessages(50);

    start = Clock::now();
    views.list.AddDroppedFiles(paths);
    const double addSeconds = SecondsSince(start);
    Report("add (probe, row, tick)", addSeconds, count);
    std::printf("  beyond the probe: %.3f ms/file; %d rows, %zu ticked\n",
                (addSeconds - probeSeconds) * 1000.0 / count, views.list.Model().rowCount(),
                doc.CheckedEntries().size());

    start = Clock::now();
    views.list.OnHeaderClick(0);
    Report("sort by name (first click)", SecondsSince(start), 0);
    start = Clock::now();
    views.list.OnHeaderClick(0);
    Report("sort by name (second click)", SecondsSince(start), 0);
    start = Clock::now();
    views.list.OnHeaderClick(2);
    Report("sort by duration", SecondsSince(start), 0);

    const std::string session = (work / "long.qzconv").string();
    start = Clock::now();
    doc.SaveSession(session);
    Report("save session", SecondsSince(start), count);
    start = Clock::now();
    doc.OpenSession(session);
    views.list.OnLoadPending();  // the posted WM_LOAD_PENDING, run at once
    const double loadSeconds = SecondsSince(start);
    Report("open and load session", loadSeconds, count);
    std::printf("  beyond the probe: %.3f ms/file; %d rows, %zu ticked\n",
                (loadSeconds - probeSeconds) * 1000.0 / count, views.list.Model().rowCount(),
                doc.CheckedEntries().size());

    using namespace tarnel::ui;
    start = Clock::now();
    views.list.OnCommand(ID_EDIT_UNSELECT_ALL);
    Report("Unselect All", SecondsSince(start), count);
    start = Clock::now();
    views.list.OnCommand(ID_EDIT_INVERT_SELECTION);
    Report("Invert Selection", SecondsSince(start), count);
    views.list.selectAll();
    start = Clock::now();
    views.list.OnCommand(ID_REMOVE_SELECTION);
    Report("Remove Selection (every row)", SecondsSince(start), count);
    return views.list.Model().rowCount() == 0 ? 0 : 1;
}

// Paints both views with a few thousand rows, one of them converting, into PNG files: the
// themed path in the style's light palette and in a dark one, and the plain path.
int Look(const fs::path& out) {
    tarnel::bench::UsePrivateFolders(out / "work");
    tarnel::RegisterSystemFilters(tarnel::FilterRegistry::Default());
    tarnel::SettingsStore().WriteCheckItemsWhenAdded(true);
    tarnel::SettingsStore().WriteShowFqpn(true);
    std::vector<std::string> paths = MakeFiles(out / "work" / "files", 3000);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QPalette light = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(44, 44, 48));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 56));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    const struct {
        const char* name;
        const QPalette* palette;
        bool themed;
    } looks[] = {{"light", &light, true}, {"dark", &dark, true}, {"plain", &light, false}};
    for (const auto& look : looks) {
        tarnel::ui::CThemeHelper::ForceThemeActive(look.themed);
        QApplication::setPalette(*look.palette);
        QuietHost host;
        tarnel::CvemoraDoc doc(host);
        Views views(doc);
        views.splitter.show();
        views.list.AddDroppedFiles(paths);
        doc.PostLog(
            "Error checking the audio file \"/music/broken.mp3\". It may not be in a "
            "supported format or is corrupted.",
            true, tarnel::LOG_ERROR, 27865);
        views.list.selectRow(2);
        views.list.setFocus();
        // A converting row with its bar, as the run shows it.
        const auto entry = doc.Entries()[1];
        entry->status = tarnel::FileStatus::Converting;
        doc.UpdateAllViews(tarnel::HINT_ENTRY_STATUS, {entry, 0});
        entry->progress = 42;
        doc.UpdateAllViews(tarnel::HINT_ENTRY_PROGRESS, {entry, 0});
        doc.Entries()[3]->status = tarnel::FileStatus::Converted;
        doc.UpdateAllViews(tarnel::HINT_ENTRY_STATUS, {doc.Entries()[3], 0});
        // Keyboard only: three rows down, then Space unticks that row.
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(&views.list, &press);
        }
        tarnel::CvemoraDoc::PumpMessages(100);
        if (const char* hold = std::getenv("TARNEL_LOOK_HOLD_MS")) {
            // Keeps the window up for a screenshot of the whole screen.
            QEventLoop loop;
            QTimer::singleShot(std::atoi(hold), &loop, &QEventLoop::quit);
            loop.exec();
        }
        const fs::path png = out / (std::string("views-") + look.name + ".png");
        views.splitter.grab().save(QString::fromStdString(png.string()));
        std::printf("%s\n", png.c_str());
        doc.DeleteContents();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--look") == 0) return Look(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [file count] | --look <folder>\n", argv[0]);
        return 2;
    }
    return Bench(argv[1], argc > 2 ? std::atoi(argv[2]) : 20000);
}
