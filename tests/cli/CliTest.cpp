// tarnel-convert run as its own process with a private settings folder.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/RegistryKey.h"
#include "settings/SettingsStore.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

extern char** environ;

namespace tarnel::cli {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

class Cli : public test::IsolatedTest {
protected:
    Result Run(std::vector<std::string> args) {
        const fs::path out = root() / "out.txt";
        const fs::path err = root() / "err.txt";
        args.insert(args.begin(), TARNEL_CONVERT_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = -1;
        Result result;
        const int spawned =
            posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return result;
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        result.out = Slurp(out);
        result.err = Slurp(err);
        return result;
    }
    fs::path DatabaseFolder() const { return configDir() / "tarnel-audio-converter"; }
};

TEST_F(Cli, HelpVersionAndBadUsage) {
    Result r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: tarnel-convert", 0), 0u);
    EXPECT_NE(r.out.find("--dump-settings"), std::string::npos);
    r = Run({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, std::string("tarnel-convert ") + TARNEL_VERSION_TEXT + "\n");
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"--dump-settings", "x"}}) {
        r = Run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err.rfind("tarnel-convert: ", 0), 0u) << r.err;
    }
    // None of these touched the settings.
    EXPECT_FALSE(fs::exists(DatabaseFolder()));
}

TEST_F(Cli, DumpSettingsOfAFreshUser) {
    const auto before = std::chrono::system_clock::now();
    const Result r = Run({"--dump-settings"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = Lines(r.out);
    const std::string folder = (homeDir() / "Music" / "Tarnel Audio").string();
    ASSERT_EQ(lines.size(), 20u) << r.out;
    // Sorted by name; the two values that vary are checked below.
    const std::vector<std::string> expected{
        "Auto Update\tREG_DWORD\t1",
        "Check items when added\tREG_DWORD\t1",
        "Current Device\tREG_DWORD\t0",
        "Format\tREG_DWORD\t200",
        "Index WMA Files\tREG_DWORD\t1",
        "",  // Last Checked
        "Logging Depth\tREG_DWORD\t100",
        "Logging Level\tREG_DWORD\t0",
        "MP3 Configuration\tREG_BINARY\t"
        "8000000040000000800000000400000044ac0000050000000200000000000001",
        "Naming Strategy\tREG_DWORD\t0",
        "OGG Configuration\tREG_BINARY\t"
        "400000008000000070000000010000000000000000000000000000000000e03f44ac000002000000",
        "Overwriting Behaviour\tREG_DWORD\t0",
        "Playback Vol\tREG_DWORD\t70",
        "Preview Audio\tREG_DWORD\t0",
        "Show ToolTips\tREG_DWORD\t1",
        "Sound Alerts\tREG_DWORD\t1",
        "Target Directory\tREG_SZ\t" + folder,
        "",  // Virgin
        "WAV Configuration\tREG_BINARY\t"
        "ffffffffffffffff1700000044ac00000200000010000000" +
            std::string(256, '0'),
        "WMA Configuration\tREG_BINARY\t000000001800000000000000",
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!expected[i].empty()) {
            EXPECT_EQ(lines[i], expected[i]) << i;
        }
    }
    const std::string lastChecked = "Last Checked\tREG_DWORD\t";
    ASSERT_EQ(lines[5].rfind(lastChecked, 0), 0u) << lines[5];
    const std::string digits = lines[5].substr(lastChecked.size());
    ASSERT_TRUE(IsNumber(digits)) << lines[5];
    const auto stamp = std::stoll(digits);
    const auto seconds = [](auto t) {
        return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
    };
    EXPECT_GE(stamp, seconds(before));
    EXPECT_LE(stamp, seconds(std::chrono::system_clock::now()));
    const std::string virgin = "Virgin\tREG_DWORD\t";
    ASSERT_EQ(lines[17].rfind(virgin, 0), 0u) << lines[17];
    EXPECT_TRUE(IsNumber(lines[17].substr(virgin.size()))) << lines[17];
    EXPECT_TRUE(fs::is_directory(folder));

    // A second run is no first start: the same values.
    const Result again = Run({"--dump-settings"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, r.out);
}

TEST_F(Cli, DumpSettingsShowsHandSetValuesAndRepairsOddOnes) {
    {
        auto key =
            registry::RegistryKey::Open(SettingsStore::kKeyPath, registry::RegistryKey::kCreate);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetValue("Logging Depth", registry::REG_SZ, registry::StringBytes("5")));
        ASSERT_TRUE(key->SetValue("Audio Filename", registry::REG_EXPAND_SZ,
                                  registry::StringBytes("$HOME/a.wav")));
        ASSERT_TRUE(key->SetValue("Format", registry::REG_DWORD, registry::DwordBytes(205)));
        // A check in the future is reset to now by the start-up pass.
        ASSERT_TRUE(key->SetValue("Virgin", registry::REG_DWORD, registry::DwordBytes(1)));
        ASSERT_TRUE(
            key->SetValue("Last Checked", registry::REG_DWORD, registry::DwordBytes(0xfffffff0)));
        auto recent = key->OpenSubKey("Recent File List", registry::RegistryKey::kCreate);
        ASSERT_TRUE(recent);
        ASSERT_TRUE(
            recent->SetValue("File1", registry::REG_SZ, registry::StringBytes("/s.qzconv")));
    }
    const Result r = Run({"--dump-settings"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Audio Filename\tREG_EXPAND_SZ\t$HOME/a.wav");
    EXPECT_NE(r.out.find("\nLogging Depth\tREG_DWORD\t100\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nFormat\tREG_DWORD\t205\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nVirgin\tREG_DWORD\t1\n"), std::string::npos);
    EXPECT_EQ(r.out.find("4294967280"), std::string::npos);  // "Last Checked" was reset
    EXPECT_EQ(r.out.find("File1"), std::string::npos);       // sub-keys are not listed
}

TEST_F(Cli, DumpSettingsOverADamagedFile) {
    fs::create_directories(DatabaseFolder());
    std::ofstream(DatabaseFolder() / "registry.sqlite") << std::string(4096, '\xee');
    const Result r = Run({"--dump-settings"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 20u);
}

TEST_F(Cli, CheckUpdatePrintsTheAddressAndWritesNoSettings) {
    test::HttpTestServer server(" <RESP>http://dl.example.org/Tarnel-2.0.tar.gz</RESP>\r\n");
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    const Result r = Run({"--check-update"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("http://dl.example.org/tarnel-2.0.tar.gz"), std::string::npos) << r.out;
    auto requests = server.WaitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].head.substr(0, requests[0].head.find("\r\n")),
              "POST /cgi-bin/qz_vemora_upcln.pyg?ver=" TARNEL_VERSION_TEXT " HTTP/1.1");
    EXPECT_FALSE(fs::exists(DatabaseFolder()));
}

TEST_F(Cli, CheckUpdateWhenUpToDate) {
    test::HttpTestServer server("<resp></resp>");
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    const Result r = Run({"--check-update"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("up to date"), std::string::npos) << r.out;
}

TEST_F(Cli, CheckUpdateFailures) {
    setEnv("TARNEL_UPDATE_HOST", "127.0.0.1:" + std::to_string(test::ClosedPort()));
    Result r = Run({"--check-update"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(r.err.empty());

    test::HttpTestServer server("<resp>file:///etc/passwd</resp>");
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    r = Run({"--check-update"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("passwd"), std::string::npos);

    EXPECT_EQ(Run({"--check-update", "x.wav"}).exitCode, 2);
}

// FFmpeg (with the codec stack behind it) and libcurl are opened only by the jobs that need them.
TEST_F(Cli, LibrariesAreOpenedOnlyForTheJobsThatNeedThem) {
    const fs::path wav = workDir() / "a.wav";
    fs::create_directories(workDir());
    test::WriteWav(wav, test::MakeSine(44100, 2, 1.0, 440.0, 0.5));
    auto opened = [&](std::vector<std::string> args, int* exitCode) {
        const fs::path trace = root() / "ld";
        setenv("LD_DEBUG", "libs", 1);
        setenv("LD_DEBUG_OUTPUT", trace.c_str(), 1);
        *exitCode = Run(std::move(args)).exitCode;
        unsetenv("LD_DEBUG");
        unsetenv("LD_DEBUG_OUTPUT");
        std::string libraries;
        for (const auto& entry : fs::directory_iterator(root())) {
            if (entry.path().filename().string().rfind("ld.", 0) != 0) continue;
            for (const std::string& line : Lines(Slurp(entry.path()))) {
                if (line.find("calling init: ") != std::string::npos) libraries += line + "\n";
            }
            fs::remove(entry.path());
        }
        return libraries;
    };
    int code = -1;
    std::string libraries = opened({"-j", "1", "--format", "mp3", wav.string()}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(libraries.find("libmp3lame"), std::string::npos) << libraries;
    for (const char* lazy : {"libtarnel-ffmpeg", "libavcodec", "libswresample", "libcurl",
                             "libvorbis", "libogg", "libmpg123"}) {
        EXPECT_EQ(libraries.find(lazy), std::string::npos) << lazy;
    }
    libraries = opened({"-j", "1", "--format", "wma", wav.string()}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::exists(workDir() / "a-wav-conv.wma"));
    EXPECT_NE(libraries.find("libtarnel-ffmpeg"), std::string::npos);
    EXPECT_EQ(libraries.find("libcurl"), std::string::npos);
}

}  // namespace
}  // namespace tarnel::cli
