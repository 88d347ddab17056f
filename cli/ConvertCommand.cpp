#include "cli/ConvertCommand.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

#include "app/DocumentTexts.h"
#include "app/OutputDelivery.h"
#include "app/PrivateTempDir.h"
#include "app/RegisterProgramFilters.h"
#include "cli/BatchReport.h"
#include "cli/BatchState.h"
#include "cli/ConversionWorker.h"
#include "cli/ConvertOptions.h"
#include "cli/SessionCommand.h"
#include "cli/ThreadLoop.h"
#include "settings/SettingsStore.h"

namespace tarnel::cli {

namespace {

// Ctrl+C and SIGTERM reach the main loop through a socket pair: the handler only writes the
// signal's number, a thread reads it and posts it to the loop.
int g_signalWrite = -1;

void OnSignal(int signal) {
    const char byte = static_cast<char>(signal);
    if (g_signalWrite >= 0) (void)!::write(g_signalWrite, &byte, 1);
}

// How long the workers get to cancel their files after a signal before the process ends
// without them (one may be stuck in a filter or in the file system).
constexpr int kInterruptGraceMs = 600;

// Ends the process now, whatever the workers are doing: what they were writing is removed, so
// no partial output is left, and the shell sees the usual status of a signal's end.
[[noreturn]] void EndWithoutWorkers(int signal) {
    RemoveUnfinishedDeliveries();
    PrivateTempDir::RemoveProcessFolders();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(128 + signal);
}

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& args) {
    // The user's locale for the C library, as a Qt application sets it.
    std::setlocale(LC_ALL, "");

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

    // The main thread's loop: outcomes into the report, the progress line, signals.
    ThreadLoop loop;
    std::vector<std::unique_ptr<ConversionWorker>> workers;
    int running = workerCount;
    auto publish = [&loop, &report](size_t index, FileOutcome outcome) {
        // From a worker thread: the report lives on the main thread.
        loop.Post([&report, index, outcome = std::move(outcome)]() mutable {
            report.Add(index, std::move(outcome));
        });
    };
    for (int id = 0; id < workerCount; ++id) {
        workers.push_back(std::make_unique<ConversionWorker>(id, batch, settings, publish));
    }

    // Interruption: stop handing out files and cancel the ones in work. Workers that have not
    // finished when the grace time is over, or a second signal, end the process without them.
    int signalPair[2] = {-1, -1};
    int interrupts = 0;
    int firstSignal = SIGINT;
    const std::unique_ptr<DocumentTimer> graceTimer =
        loop.MakeTimer(kInterruptGraceMs, [&firstSignal] { EndWithoutWorkers(firstSignal); });
    auto onSignal = [&](char signal) {
        if (++interrupts > 1) EndWithoutWorkers(signal);
        firstSignal = signal;
        batch.Stop();
        for (auto& worker : workers) worker->Interrupt();
        graceTimer->Start();
    };
    std::jthread signalReader;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) == 0) {
        g_signalWrite = signalPair[0];
        signalReader = std::jthread([&loop, &onSignal, fd = signalPair[1]] {
            for (;;) {
                char byte = SIGINT;
                const ssize_t got = ::read(fd, &byte, 1);
                if (got == 1) {
                    loop.Post([&onSignal, byte] { onSignal(byte); });
                } else if (got == 0 || errno != EINTR) {
                    return;  // the write side was shut down: the batch is over
                }
            }
        });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    // A closed pipe on standard output must not kill the batch halfway (and leave the private
    // temporary folder behind); the lost lines are the reader's choice.
    std::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<DocumentTimer> progressTimer =
        loop.MakeTimer(100, [&report, &batch] { report.DrawProgress(batch); });
    progressTimer->Start();

    std::vector<std::jthread> threads;
    for (auto& worker : workers) {
        threads.emplace_back([&loop, &running, worker = worker.get()] {
            worker->Run();
            loop.Post([&loop, &running] {
                if (--running == 0) loop.Quit();
            });
        });
    }
    loop.Exec();
    graceTimer->Stop();  // every worker has finished
    threads.clear();     // joins them
    // Outcomes posted by the last workers before they finished.
    loop.Pump(0);
    progressTimer->Stop();

    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_signalWrite = -1;
    if (signalPair[0] >= 0) ::shutdown(signalPair[0], SHUT_WR);
    if (signalReader.joinable()) signalReader.join();
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
