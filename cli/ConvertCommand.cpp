#include "cli/ConvertCommand.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

#include "app/DocumentTexts.h"
#include "app/RegisterProgramFilters.h"
#include "cli/BatchReport.h"
#include "cli/BatchState.h"
#include "cli/ConversionWorker.h"
#include "cli/ConvertOptions.h"
#include "cli/SessionCommand.h"
#include "settings/SettingsStore.h"

namespace tarnel::cli {

namespace {

// Ctrl+C and SIGTERM reach the event loop through a socket pair: the handler only writes a byte.
int g_signalWrite = -1;

void OnSignal(int) {
    const char byte = 1;
    if (g_signalWrite >= 0) (void)!::write(g_signalWrite, &byte, 1);
}

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

}  // namespace

int RunConvertCommand(int argc, char** argv, const std::vector<std::string>& args) {
    QCoreApplication app(argc, argv);

    ParsedOptions parsed = ParseConvertOptions(args);
    ConvertOptions& options = parsed.options;
    if (options.help || options.version) {
        std::fputs(ConvertUsageText().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tarnel-convert: %s\nTry 'tarnel-convert --help'.\n",
                     parsed.error.c_str());
        return 2;
    }

    // The start-up pass of the settings store, as the application runs it.
    SettingsStore().EnsureDefaults();
    RegisterProgramFilters();

    if (options.saveSession) return RunSaveSession(options);
    if (options.session) {
        // The files to convert are the session's ticked entries that are not Converted.
        SessionSelection selection = SelectSessionFiles(*options.session, options.quiet);
        if (!selection.opened) return 1;
        options.files = std::move(selection.files);
    }

    const size_t fileCount = options.files.size();
    BatchReport report(fileCount, options.list, options.quiet,
                       !options.quiet && ::isatty(STDERR_FILENO) != 0);

    // A path named twice is converted once; the later mention gets the document's notice.
    std::vector<FileJob> jobs;
    std::vector<std::pair<size_t, FileOutcome>> skipped;
    {
        std::map<std::string, size_t> seen;
        for (size_t i = 0; i < fileCount; ++i) {
            const std::string& path = options.files[i];
            if (!options.list && seen.contains(path)) {
                FileOutcome outcome;
                outcome.kind = OutcomeKind::Skipped;
                outcome.source = path;
                LogRecord record;
                record.text = texts::AlreadyListed(path);
                outcome.records.push_back(record);
                skipped.emplace_back(i, std::move(outcome));
                continue;
            }
            seen.emplace(path, i);
            jobs.push_back(FileJob{i, path});
        }
    }
    const int workerCount = static_cast<int>(
        std::max<size_t>(1, std::min<size_t>(options.jobs.value_or(DefaultJobs()), jobs.size())));
    BatchState batch(std::move(jobs), workerCount);
    for (auto& [index, outcome] : skipped) report.Add(index, std::move(outcome));

    WorkerSettings settings;
    settings.format = options.format;
    settings.naming = options.naming;
    settings.listOnly = options.list;

    std::vector<std::unique_ptr<ConversionWorker>> workers;
    std::vector<std::unique_ptr<QThread>> threads;
    int running = workerCount;
    auto publish = [&app, &report](size_t index, FileOutcome outcome) {
        // From a worker thread: the report lives on the main thread.
        QMetaObject::invokeMethod(
            &app,
            [&report, index, outcome = std::move(outcome)]() mutable {
                report.Add(index, std::move(outcome));
            },
            Qt::QueuedConnection);
    };
    for (int id = 0; id < workerCount; ++id) {
        workers.push_back(std::make_unique<ConversionWorker>(id, batch, settings, publish));
        ConversionWorker* worker = workers.back().get();
        threads.emplace_back(QThread::create([worker] { worker->Run(); }));
        QObject::connect(threads.back().get(), &QThread::finished, &app, [&running, &app] {
            if (--running == 0) app.quit();
        });
    }

    // Interruption: stop handing out files and cancel the ones in work; a second signal ends
    // the process at once.
    int signalPair[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> signalNotifier;
    int interrupts = 0;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) == 0) {
        g_signalWrite = signalPair[0];
        signalNotifier = std::make_unique<QSocketNotifier>(signalPair[1], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &app, [&] {
            char byte;
            (void)!::read(signalPair[1], &byte, 1);
            if (++interrupts > 1) std::_Exit(130);
            batch.Stop();
            for (auto& worker : workers) worker->Interrupt();
        });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    // A closed pipe on standard output must not kill the batch halfway (and leave the private
    // temporary folder behind); the lost lines are the reader's choice.
    std::signal(SIGPIPE, SIG_IGN);

    QTimer progressTimer;
    QObject::connect(&progressTimer, &QTimer::timeout, &app,
                     [&report, &batch] { report.DrawProgress(batch); });
    progressTimer.start(100);

    for (auto& thread : threads) thread->start();
    app.exec();
    for (auto& thread : threads) thread->wait();
    // Outcomes posted by the last workers before they finished.
    QCoreApplication::processEvents();
    progressTimer.stop();

    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_signalWrite = -1;
    signalNotifier.reset();
    for (int fd : signalPair) {
        if (fd >= 0) ::close(fd);
    }

    // Files an interruption kept from their turn.
    for (size_t i = 0; i < fileCount; ++i) {
        FileOutcome outcome;
        outcome.kind = OutcomeKind::Cancelled;
        outcome.source = options.files[i];
        report.Add(i, std::move(outcome));  // ignored for files that have their outcome
    }
    report.Finish();
    return report.ExitStatus();
}

}  // namespace tarnel::cli
