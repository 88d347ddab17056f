// tarnel-convert end to end: the real program, with a private settings folder and TMPDIR.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#include "settings/SettingsStore.h"
#include "tests/cli_convert/RunProcess.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

class CliConvert : public IsolatedTest {
protected:
    ProcessResult Run(const std::vector<std::string>& args, const std::string& tag = "run") {
        return RunProcess(TARNEL_CONVERT_PATH, args, root(), tag);
    }
    std::string Wav(const std::string& name, double seconds = 1.0, int rate = 44100,
                    int channels = 2, const fs::path& folder = {}) {
        const fs::path dir = folder.empty() ? workDir() : folder;
        fs::create_directories(dir);
        const std::string path = (dir / name).string();
        WriteWav(path, MakeSine(rate, channels, seconds, 440.0, 0.5));
        return path;
    }
    std::string Out(const std::string& name) const { return (workDir() / name).string(); }
    std::vector<std::string> FilesIn(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CliConvert, UsageErrorsExitWithTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--format", "flac", "a.wav"},
                                                                  {"--format"},
                                                                  {"--naming", "upper", "a.wav"},
                                                                  {"-j", "0", "a.wav"},
                                                                  {"-j", "two", "a.wav"},
                                                                  {"--bogus", "a.wav"},
                                                                  {"--quiet"}}) {
        const ProcessResult r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(no arguments)" : args[0]);
        EXPECT_NE(r.err.find("tarnel-convert: "), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    // Nothing was written to the settings by a refused command line.
    EXPECT_TRUE(FilesIn(configDir()).empty());
}

TEST_F(CliConvert, HelpAndVersion) {
    ProcessResult r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: tarnel-convert [options] FILE...", 0), 0u);
    r = Run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex("tarnel-convert \\d+\\.\\d+\\.\\d+\n")))
        << r.out;
}

TEST_F(CliConvert, ConvertsWithTheStoredSettingsAndNamesBySource) {
    const std::string a = Wav("a.wav", 1.0, 22050, 1);
    const std::string b = Wav("b.wav", 0.5);
    ProcessResult r = Run({"--format", "wav", a, b});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "converted: " + a + " -> " + Out("a-wav-conv.wav") + "\n" + "converted: " + b +
                         " -> " + Out("b-wav-conv.wav") + "\n" + "2 of 2 file(s) converted\n");
    // The stored WAV record: 44100 Hz, 2 channels, 16 bits.
    const WavInfo out = ReadWav(Out("a-wav-conv.wav"));
    EXPECT_EQ(out.audio.sampleRate, 44100);
    EXPECT_EQ(out.audio.channels, 2);
    EXPECT_EQ(out.audio.bitsPerSample, 16);
    EXPECT_NEAR(out.audio.seconds(), 1.0, 0.01);
    EXPECT_NEAR(RmsDb(out.audio, 0, 2000), RmsDb(MakeSine(44100, 1, 1.0, 440, 0.5), 0), 0.5);
    // The start-up pass ran; the override was not stored.
    int32_t format = 0;
    EXPECT_TRUE(SettingsStore().ReadFormat(format));
    EXPECT_EQ(format, 200);
    // No private temporary folder is left behind.
    EXPECT_TRUE(FilesIn(root() / "tmp").empty());
}

TEST_F(CliConvert, NamingByDateAndStoredDefaults) {
    SettingsStore().WriteFormat(203);
    SettingsStore().WriteNamingStrategy(1);
    const std::string a = Wav("song.wav", 0.3);
    ProcessResult r = Run({a});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::regex dated("song_\\d{4}-\\d{2}-\\d{2}_\\d{2}h\\d{2}m\\d{2}s\\.wav");
    std::vector<std::string> outputs;
    for (const auto& name : FilesIn(workDir())) {
        if (name != "song.wav") outputs.push_back(name);
    }
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_TRUE(std::regex_match(outputs[0], dated)) << outputs[0];

    // --naming overrides the stored strategy for this run only.
    r = Run({"--naming", "source", a});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(Out("song-wav-conv.wav")));
    int32_t naming = -1;
    SettingsStore().ReadNamingStrategy(naming);
    EXPECT_EQ(naming, 1);
}

TEST_F(CliConvert, FailedFileIsReportedAndTheBatchGoesOn) {
    const std::string bad = (workDir() / "notes.wav").string();
    WriteFileBytes(bad, {'h', 'e', 'l', 'l', 'o'});
    const std::string good = Wav("good.wav", 0.3);
    const std::string folder = (workDir() / "folder").string();
    fs::create_directory(folder);
    ProcessResult r = Run({"--format", "wav", bad, good, folder, good}, "mixed");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("refused: " + bad + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("converted: " + good + " -> " + Out("good-wav-conv.wav")),
              std::string::npos);
    EXPECT_NE(r.out.find("refused: " + folder + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("skipped: " + good + "\n"), std::string::npos);
    EXPECT_NE(r.err.find("Error checking the audio file \"" + bad +
                         "\". It may not be in a supported format or is corrupted. "
                         "(Error code: 27865)"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(Out("good-wav-conv.wav")));
    EXPECT_FALSE(fs::exists(Out("notes-wav-conv.wav")));

    // Quiet: no standard output at all, the error still on standard error.
    r = Run({"--quiet", "--format", "wav", bad}, "quiet");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("27865"), std::string::npos);
}

// The libraries a job maps, from the dynamic loader's own report: --version and bad usage none
// of ours, a WAV job none of those that only other jobs need.
TEST_F(CliConvert, LoadsOnlyWhatTheJobNeeds) {
    const std::string a = Wav("a.wav");
    auto loaded = [&](const std::vector<std::string>& args, int exitCode) {
        setEnv("LD_DEBUG", "files");
        ProcessResult r = Run(args, "loaded");
        setEnv("LD_DEBUG", std::nullopt);
        EXPECT_EQ(r.exitCode, exitCode) << args[0] << r.err;
        EXPECT_NE(r.err.find("libstdc++"), std::string::npos) << "no loader report";
        return r.err;
    };
    for (const auto& args : std::vector<std::vector<std::string>>{{"--version"}, {"--help"}}) {
        EXPECT_EQ(loaded(args, 0).find("libtarnel-cli"), std::string::npos) << args[0];
    }
    EXPECT_EQ(loaded({"--format", "flac", a}, 2).find("libtarnel-cli"), std::string::npos);
    const std::string wav = loaded({"--quiet", "--format", "wav", a}, 0);
    EXPECT_NE(wav.find("libtarnel-cli"), std::string::npos);
    for (const char* name : {"libQt6Core", "libSDL2", "libcurl", "libavcodec", "libavformat",
                             "libgsf", "libogg", "libvorbis", "libmp3lame", "libmpg123",
                             "libtarnel-ffmpeg", "libtarnel-sdl", "libtarnel-curl", "libtarnel-gsf",
                             "libtarnel-vorbis", "libtarnel-lame", "libtarnel-mpg123"}) {
        EXPECT_EQ(wav.find(name), std::string::npos) << name;
    }
}

TEST_F(CliConvert, ListProbesOnly) {
    const std::string a = Wav("a.wav", 1.5);
    const std::string bad = (workDir() / "b.mp3").string();
    WriteFileBytes(bad, {1, 2, 3});
    ProcessResult r = Run({"--list", a, bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, a + "\tWAV\t1.500\n" + bad + "\tERROR\tError checking the audio file \"" +
                         bad + "\". It may not be in a supported format or is corrupted.\n");
    EXPECT_EQ(FilesIn(workDir()), (std::vector<std::string>{"a.wav", "b.mp3"}));
    r = Run({"--list", a});
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(CliConvert, ParallelOutputIsIdenticalToSerial) {
    const fs::path one = workDir() / "one";
    const fs::path two = workDir() / "two";
    std::vector<std::string> first, second;
    for (int i = 0; i < 4; ++i) {
        const std::string name = "f" + std::to_string(i) + ".wav";
        first.push_back(Wav(name, 0.4 + 0.2 * i, i % 2 ? 22050 : 48000, 1 + i % 2, one));
        second.push_back(Wav(name, 0.4 + 0.2 * i, i % 2 ? 22050 : 48000, 1 + i % 2, two));
    }
    std::vector<std::string> args1{"--format", "wav", "-j", "1"};
    args1.insert(args1.end(), first.begin(), first.end());
    std::vector<std::string> args2{"--format", "wav", "-j", "2"};
    args2.insert(args2.end(), second.begin(), second.end());
    const ProcessResult r1 = Run(args1, "serial");
    const ProcessResult r2 = Run(args2, "parallel");
    ASSERT_EQ(r1.exitCode, 0) << r1.err;
    ASSERT_EQ(r2.exitCode, 0) << r2.err;
    // The same report, in command-line order, apart from the folder names.
    EXPECT_EQ(std::regex_replace(r1.out, std::regex("/one/"), "/X/"),
              std::regex_replace(r2.out, std::regex("/two/"), "/X/"));
    for (int i = 0; i < 4; ++i) {
        const std::string name = "f" + std::to_string(i) + "-wav-conv.wav";
        EXPECT_EQ(ReadFileBytes(one / name), ReadFileBytes(two / name)) << name;
    }
}

TEST_F(CliConvert, TwoProcessesAtOnceDoNotDisturbEachOther) {
    const fs::path left = workDir() / "left";
    const fs::path right = workDir() / "right";
    const std::string a = Wav("x.wav", 3.0, 44100, 2, left);
    const std::string b = Wav("x.wav", 2.0, 22050, 1, right);
    Process p1(TARNEL_CONVERT_PATH, {"--format", "wav", "-j", "1", a}, root(), "left");
    Process p2(TARNEL_CONVERT_PATH, {"--format", "wav", "-j", "1", b}, root(), "right");
    const ProcessResult r1 = p1.Wait();
    const ProcessResult r2 = p2.Wait();
    ASSERT_EQ(r1.exitCode, 0) << r1.err;
    ASSERT_EQ(r2.exitCode, 0) << r2.err;
    const WavInfo l = ReadWav(left / "x-wav-conv.wav");
    const WavInfo r = ReadWav(right / "x-wav-conv.wav");
    EXPECT_NEAR(l.audio.seconds(), 3.0, 0.01);
    EXPECT_NEAR(r.audio.seconds(), 2.0, 0.01);
    EXPECT_NEAR(EstimateFrequency(l.audio, 0, 1000), 440.0, 2.0);
    EXPECT_NEAR(EstimateFrequency(r.audio, 0, 1000), 440.0, 2.0);
    EXPECT_TRUE(FilesIn(root() / "tmp").empty());
}

TEST_F(CliConvert, PipesAndDevicesAreRefusedWithoutWaiting) {
    const std::string fifo = (workDir() / "pipe.wav").string();
    fs::create_directories(workDir());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody writes to the pipe: opening it for reading the usual way would wait for ever.
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        const ProcessResult r = Run({"--list", path});
        EXPECT_EQ(r.exitCode, 1) << path;
        EXPECT_EQ(r.out.rfind(path + "\tERROR\t", 0), 0u) << r.out;
    }
}

class CliInterrupt : public CliConvert, public testing::WithParamInterface<int> {};

TEST_P(CliInterrupt, CancelsCleanly) {
    const std::string a = Wav("long.wav", 240.0, 44100, 2);
    const std::string b = Wav("later.wav", 1.0);
    Process p(TARNEL_CONVERT_PATH, {"--format", "mp3", "-j", "1", a, b}, root(), "interrupt");
    // Wait until the first file converts: its temporary file exists in the private folder.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool converting = false;
    while (!converting && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root() / "tmp", ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->path().filename() == "morlat_temp.audio") converting = true;
        }
        if (!converting) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(converting);
    p.Signal(GetParam());
    const ProcessResult r = p.Wait();
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("cancelled: " + a + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cancelled: " + b + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(FilesIn(workDir()), (std::vector<std::string>{"later.wav", "long.wav"}));
    EXPECT_TRUE(FilesIn(root() / "tmp").empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, CliInterrupt, testing::Values(SIGINT, SIGTERM));

TEST_F(CliConvert, ProgressLineOnlyOnATerminal) {
    const std::string a = Wav("a.wav", 60.0);
    // Standard error on a pseudo-terminal; standard output stays a file.
    int master = -1;
    const std::string out = (root() / "tty.out").string();
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::execl(TARNEL_CONVERT_PATH, TARNEL_CONVERT_PATH, "--format", "mp3", a.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string terminal;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            terminal.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO once the program has ended
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The bar, a percentage and the file being converted; cleared before the report.
    EXPECT_NE(terminal.find("\r\033[K["), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("0/1  a.wav "), std::string::npos) << terminal;
    ASSERT_GE(terminal.size(), 4u);
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");
    const std::vector<uint8_t> bytes = ReadFileBytes(out);
    const std::string report(bytes.begin(), bytes.end());
    EXPECT_EQ(report.find('\r'), std::string::npos);
    EXPECT_NE(report.find("converted: " + a), std::string::npos);
}

}  // namespace
}  // namespace tarnel::test
