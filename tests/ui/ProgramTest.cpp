// The real tarnel-audio-converter, started with a session file: it lists the entries, converts
// them on the Convert command (routed by its automation hook) and writes the outputs beside
// the sources.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "app/CvemoraDoc.h"
#include "app/RegisterProgramFilters.h"
#include "settings/SettingsStore.h"
#include "tests/app/DocRecorders.h"
#include "tests/cli_convert/RunProcess.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

class ProgramTest : public test::IsolatedTest {};

TEST_F(ProgramTest, StartedWithASessionItConvertsTheListedFilesBesideTheirSources) {
    namespace fs = std::filesystem;
    const fs::path music = workDir() / "my music";
    fs::create_directories(music);
    std::vector<std::string> sources;
    for (const char* name : {"first.wav", "second.wav"}) {
        sources.push_back((music / name).string());
        test::WriteWav(sources.back(), test::MakeSine(44100, 2, 0.6, 440, 0.5));
    }
    const auto sourceSize = fs::file_size(sources[0]);
    const std::string session = (workDir() / "job.qzconv").string();
    {
        test::RecordingHost host;
        CvemoraDoc doc(host);
        for (const std::string& path : sources) {
            ASSERT_TRUE(doc.AddFile(path, FileStatus::Idle));
            doc.CheckEntry(path);
        }
        ASSERT_TRUE(doc.SaveSession(session));
    }
    ASSERT_TRUE(SettingsStore().WriteFormat(201));  // MP3 through our encoder

    setEnv("TARNEL_UI_AUTORUN", "1080");
    setEnv("ASAN_OPTIONS", "detect_leaks=0");  // the child's exit status is the test's signal
    const test::ProcessResult run = test::RunProcess(TARNEL_GUI_PROGRAM, {session}, root(), "gui");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& source : sources) {
        EXPECT_NE(run.out.find("entry 1004 " + source + "\n"), std::string::npos) << run.out;
        const fs::path output = fs::path(source).replace_extension().string() + "-wav-conv.mp3";
        ASSERT_TRUE(fs::exists(output)) << output;
        EXPECT_GT(fs::file_size(output), 4000u);  // 0.6 s at 128 kbit/s is about 9.6 kB
    }
    EXPECT_EQ(fs::file_size(sources[0]), sourceSize);
}

}  // namespace
}  // namespace tarnel

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tarnel::RegisterProgramFilters();  // the probes that write the session need them
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
