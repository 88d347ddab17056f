// The installed programs, staged into a temporary DESTDIR: they run there without the build
// tree and find their modules relative to their own folder.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command with its output in `log`; the exit status, or -1 when it did not exit.
int Shell(const std::string& command, const fs::path& log) {
    const int status = std::system((command + " >" + log.string() + " 2>&1 </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InstalledProgram : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        stage_ = root() / "stage";
        ASSERT_EQ(Shell("DESTDIR=" + stage_.string() +
                            " " CMAKE_COMMAND " --install " BUILD_DIR " --prefix /usr",
                        root() / "install.log"),
                  0)
            << Slurp(root() / "install.log");
    }
    fs::path stage_;
};

TEST_F(InstalledProgram, ConvertsFromAStagedTreeWithItsOwnModules) {
    const fs::path program = stage_ / "usr/bin/tarnel-convert";
    const fs::path module = stage_ / "usr/lib/tarnel-audio-converter/libtarnel-ffmpeg.so";
    ASSERT_TRUE(fs::is_regular_file(program));
    ASSERT_TRUE(fs::is_regular_file(module));
    const fs::path wav = workDir() / "tone.wav";
    test::WriteWav(wav, test::MakeSine(44100, 2, 1.0, 440.0, 0.5));

    // WMA needs the FFmpeg module: the one beside the staged program must be the one opened.
    const fs::path trace = root() / "ld";
    const std::string convert = "LD_DEBUG=libs LD_DEBUG_OUTPUT=" + trace.string() + " " +
                                program.string() + " -j 1 --format wma --naming source " +
                                wav.string();
    ASSERT_EQ(Shell(convert, root() / "convert.log"), 0) << Slurp(root() / "convert.log");
    std::string opened;
    for (const auto& entry : fs::directory_iterator(root())) {
        if (entry.path().filename().string().starts_with("ld.")) opened += Slurp(entry.path());
    }
    // The command-line module opens first, then the FFmpeg module: both from the stage.
    const std::string init = "calling init: " + stage_.string();
    bool ffmpeg_from_stage = false;
    for (size_t line = opened.find(init); line != std::string::npos;
         line = opened.find(init, line + 1)) {
        const size_t start = line + init.size() - stage_.string().size();
        const fs::path library = opened.substr(start, opened.find('\n', line) - start);
        ffmpeg_from_stage = ffmpeg_from_stage || fs::equivalent(library, module);
    }
    EXPECT_TRUE(ffmpeg_from_stage) << opened;
    EXPECT_EQ(opened.find(BUILD_DIR), std::string::npos) << "a library from the build tree";

    // The installed program reads back what it wrote.
    const fs::path wma = workDir() / "tone-wav-conv.wma";
    ASSERT_EQ(Shell(program.string() + " --list " + wma.string(), root() / "list.log"), 0);
    const std::string listed = Slurp(root() / "list.log");
    EXPECT_NE(listed.find(wma.string() + "\tWMA\t"), std::string::npos) << listed;
    const double seconds = std::atof(listed.substr(listed.rfind('\t') + 1).c_str());
    EXPECT_NEAR(seconds, 1.0, 0.1) << listed;
}

}  // namespace
}  // namespace tarnel
