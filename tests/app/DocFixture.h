#pragma once
// A document with a recording host, frame and view, a scripted engine and a probe that reads a
// small marker file ("audio:<FORMAT>:<seconds>") instead of real audio.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/CvemoraDoc.h"
#include "tests/app/DocRecorders.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::test {

inline std::optional<ProbeOutcome> MarkerProbe(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line) || line.rfind("audio:", 0) != 0) return std::nullopt;
    std::istringstream fields(line.substr(6));
    ProbeOutcome outcome;
    std::getline(fields, outcome.format, ':');
    fields >> outcome.duration;
    return outcome;
}

class DocFixture : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        engine = std::make_shared<ScriptedEngine::Shared>();
        doc = std::make_unique<CvemoraDoc>(host, MarkerProbe,
                                           std::make_unique<ScriptedEngine>(engine));
        doc->AttachFrame(&frame);
        doc->AddView(&view);
    }
    void TearDown() override {
        doc.reset();
        IsolatedTest::TearDown();
    }

    // A source file the marker probe accepts.
    std::string Source(const std::string& name, const std::string& format = "WAV",
                       double seconds = 3.5) {
        const std::string path = (workDir() / name).string();
        std::ofstream(path) << "audio:" << format << ":" << seconds << "\n";
        return path;
    }
    // Adds and ticks.
    std::string Listed(const std::string& name, const std::string& format = "WAV") {
        const std::string path = Source(name, format);
        EXPECT_TRUE(doc->AddFile(path, FileStatus::Idle));
        doc->CheckEntry(path);
        return path;
    }
    void Complete() {
        RaiseEvent(*engine, kEventComplete);
        Drain();
    }

    RecordingHost host;
    RecordingFrame frame;
    RecordingView view;
    std::shared_ptr<ScriptedEngine::Shared> engine;
    std::unique_ptr<CvemoraDoc> doc;
};

}  // namespace tarnel::test
