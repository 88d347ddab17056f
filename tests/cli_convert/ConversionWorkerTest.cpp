// One tarnel-convert worker over a scripted engine and probe: what it reports per file.
#include "cli/ConversionWorker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/BatchState.h"
#include "tests/app/DocFixture.h"

namespace tarnel::cli {
namespace {

using test::ScriptedEngine;

// Completes (or aborts) every graph as soon as it runs.
class AutoEngine : public ScriptedEngine {
public:
    AutoEngine(std::shared_ptr<Shared> shared, int32_t event)
        : ScriptedEngine(shared), shared_(std::move(shared)), event_(event) {}
    int32_t Run() override {
        const int32_t result = ScriptedEngine::Run();
        test::RaiseEvent(*shared_, event_);
        return result;
    }

private:
    std::shared_ptr<Shared> shared_;
    int32_t event_;
};

class WorkerTest : public test::IsolatedTest {
protected:
    std::string Source(const std::string& name) {
        const std::string path = (workDir() / name).string();
        std::ofstream(path) << "audio:WAV:2.5\n";
        return path;
    }

    std::vector<FileOutcome> RunWorker(const std::vector<std::string>& files, int32_t event,
                                       bool listOnly = false) {
        std::vector<FileJob> jobs;
        for (size_t i = 0; i < files.size(); ++i) jobs.push_back({i, files[i]});
        BatchState batch(jobs, 1);
        WorkerSettings settings;
        settings.format = 203;
        settings.listOnly = listOnly;
        settings.probe = test::MarkerProbe;
        auto shared = std::make_shared<ScriptedEngine::Shared>();
        settings.engineFactory = [shared, event] {
            return std::make_unique<AutoEngine>(shared, event);
        };
        std::vector<FileOutcome> outcomes(files.size());
        ConversionWorker worker(0, batch, settings, [&](size_t index, FileOutcome outcome) {
            outcomes[index] = std::move(outcome);
        });
        worker.Run();
        return outcomes;
    }
};

TEST_F(WorkerTest, ConvertedRefusedAndDelivered) {
    const std::string a = Source("a.wav");
    const std::string bad = (workDir() / "bad.wav").string();
    std::ofstream(bad) << "noise";
    const auto outcomes = RunWorker({a, bad}, kEventComplete);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::Converted);
    EXPECT_EQ(outcomes[0].output, (workDir() / "a-wav-conv.wav").string());
    EXPECT_TRUE(std::filesystem::exists(outcomes[0].output));
    // Selection notices are not part of a batch's report.
    EXPECT_TRUE(outcomes[0].records.empty());
    EXPECT_EQ(outcomes[1].kind, OutcomeKind::Refused);
    ASSERT_EQ(outcomes[1].records.size(), 1u);
    EXPECT_EQ(outcomes[1].records[0].errorNumber, 27865);
}

TEST_F(WorkerTest, StreamingErrorFailsTheFileWithoutWaiting) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    const auto outcomes = RunWorker({a, b}, kEventErrorAbort);
    for (const auto& outcome : outcomes) {
        EXPECT_EQ(outcome.kind, OutcomeKind::Failed) << outcome.source;
        ASSERT_EQ(outcome.records.size(), 1u);
        EXPECT_EQ(outcome.records[0].text, "An error occured while converting file.");
        EXPECT_TRUE(outcome.records[0].isError);
        EXPECT_TRUE(outcome.output.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(workDir() / "a-wav-conv.wav"));
}

TEST_F(WorkerTest, ListingProbesWithoutConverting) {
    const std::string a = Source("a.wav");
    const std::string bad = (workDir() / "bad.wav").string();
    std::ofstream(bad) << "noise";
    const auto outcomes = RunWorker({a, bad}, kEventComplete, true);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::Probed);
    EXPECT_EQ(outcomes[0].format, "WAV");
    EXPECT_DOUBLE_EQ(outcomes[0].duration, 2.5);
    EXPECT_TRUE(outcomes[1].format.empty());
    EXPECT_FALSE(std::filesystem::exists(workDir() / "a-wav-conv.wav"));
}

}  // namespace
}  // namespace tarnel::cli
