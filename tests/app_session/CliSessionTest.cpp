// tarnel-convert --save-session and --session: how the options are read, and the real program
// end to end with a private settings folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/DocumentTexts.h"
#include "app/SessionStream.h"
#include "cli/ConvertOptions.h"
#include "platform/storage/CompoundFile.h"
#include "tests/app_session/GsfFiles.h"
#include "tests/cli_convert/RunProcess.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;
using cli::ParseConvertOptions;

TEST(SessionOptions, SessionTakesItsFilesFromTheSession) {
    auto parsed = ParseConvertOptions({"--session", "s.qzconv"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.session, "s.qzconv");
    EXPECT_TRUE(parsed.options.files.empty());

    parsed = ParseConvertOptions({"--session=s.qzconv", "--format", "mp3", "-j", "2", "--list"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.session, "s.qzconv");
    EXPECT_EQ(parsed.options.format, 201);

    EXPECT_NE(ParseConvertOptions({"--session", "s.qzconv", "a.wav"}).error, "");
    EXPECT_NE(ParseConvertOptions({"--session"}).error, "");
    EXPECT_NE(ParseConvertOptions({"--session="}).error, "");
}

TEST(SessionOptions, SaveSessionNeedsFilesAndNoConversionOptions) {
    auto parsed = ParseConvertOptions({"--save-session", "s.qzconv", "a.wav", "b.mp3", "-q"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.saveSession, "s.qzconv");
    EXPECT_EQ(parsed.options.files, (std::vector<std::string>{"a.wav", "b.mp3"}));
    EXPECT_TRUE(parsed.options.quiet);

    EXPECT_EQ(ParseConvertOptions({"--save-session", "s.qzconv"}).error, "no files given");
    for (const std::string option : {"--list", "--format=wav", "--naming=date", "-j3"}) {
        EXPECT_NE(ParseConvertOptions({"--save-session", "s.qzconv", option, "a.wav"}).error, "")
            << option;
    }
    EXPECT_NE(
        ParseConvertOptions({"--save-session", "s.qzconv", "--session", "t.qzconv", "a.wav"}).error,
        "");
    // --help still wins over everything.
    EXPECT_EQ(ParseConvertOptions({"--save-session", "s.qzconv", "--help"}).error, "");
    EXPECT_NE(cli::ConvertUsageText().find("  --session FILE "), std::string::npos);
    EXPECT_NE(cli::ConvertUsageText().find("  --save-session FILE "), std::string::npos);
}

class CliSession : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        fs::create_directories(workDir());
    }
    ProcessResult Run(const std::vector<std::string>& args, const std::string& tag = "run") {
        return RunProcess(TARNEL_CONVERT_PATH, args, root(), tag);
    }
    std::string Wav(const std::string& name, double seconds = 1.0) {
        const std::string path = (workDir() / name).string();
        WriteWav(path, MakeSine(22050, 1, seconds, 440.0, 0.5));
        return path;
    }
    std::string Path(const std::string& name) const { return (workDir() / name).string(); }
    std::string Session(const std::string& name, const std::vector<SessionRecord>& records) {
        const std::string path = Path(name);
        EXPECT_EQ(
            CompoundFile::WriteSingleStream(path, kSessionStreamName, EncodeSessionStream(records)),
            S_OK);
        return path;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(workDir())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(CliSession, SaveSessionProbesAndSavesEveryFileTickedAndIdle) {
    const std::string a = Wav("a.wav", 1.0);
    const std::string b = Wav("b.wav", 0.5);
    const std::string notes = Path("notes.wav");
    std::ofstream(notes) << "not audio\n";
    const std::string s = Path("list.qzconv");

    const ProcessResult r = Run({"--save-session", s, a, b, notes, a});
    EXPECT_EQ(r.exitCode, 1) << r.err;  // one file was refused; the others are saved
    EXPECT_TRUE(Has(r.out, "added: " + a + " (WAV, 1.000 s)\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "added: " + b + " (WAV, 0.500 s)\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "refused: " + notes + "\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "notice: " + texts::AlreadyListed(a) + "\nskipped: " + a + "\n"))
        << r.out;
    EXPECT_TRUE(Has(r.out, "saved 2 file(s) to " + s + "\n")) << r.out;
    EXPECT_TRUE(Has(
        r.err, "tarnel-convert: error: " + texts::UnsupportedFile(notes) + " (Error code: 27865)"))
        << r.err;

    // Read back apart from the program's storage code.
    const auto root = ReadRootWithGsf(s);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1u);
    EXPECT_EQ((*root)[0].name, kSessionStreamName);
    EXPECT_EQ((*root)[0].bytes,
              EncodeSessionStream({{a, FileStatus::Idle, true}, {b, FileStatus::Idle, true}}));
    // Nothing was converted.
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.wav", "b.wav", "list.qzconv", "notes.wav"}));

    // A relative path is stored as a full path.
    const std::string relative = fs::relative(b).string();
    ASSERT_FALSE(fs::path(relative).is_absolute());
    const ProcessResult quiet = Run({"--save-session", s, "-q", relative}, "quiet");
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    std::vector<uint8_t> stream;
    bool found = false;
    ASSERT_EQ(CompoundFile::ReadStream(s, kSessionStreamName, stream, found), S_OK);
    const DecodedSession decoded = DecodeSessionStream(stream);
    ASSERT_EQ(decoded.records.size(), 1u);
    EXPECT_TRUE(fs::path(decoded.records[0].path).is_absolute()) << decoded.records[0].path;
    EXPECT_EQ(fs::weakly_canonical(decoded.records[0].path), fs::path(b));
}

TEST_F(CliSession, SessionConvertsTheTickedEntriesNotYetConverted) {
    const std::string a = Wav("a.wav");
    const std::string b = Wav("b.wav");
    const std::string c = Wav("c.wav");
    const std::string d = Wav("d.wav");
    const std::string s = Session("s.qzconv", {{a, FileStatus::Idle, true},
                                               {b, FileStatus::Converted, true},
                                               {c, FileStatus::Idle, false},
                                               {d, FileStatus::Error, true},
                                               {a, FileStatus::Idle, true}});
    const std::vector<uint8_t> before = ReadFileBytes(s);

    const ProcessResult r = Run({"--session", s, "--format", "wav", "--naming", "source"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "notice: " + texts::AlreadyListed(a) + "\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "converted: " + a + " -> " + Path("a-wav-conv.wav") + "\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "converted: " + d + " -> " + Path("d-wav-conv.wav") + "\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "2 of 2 file(s) converted\n")) << r.out;
    EXPECT_EQ(Files(), (std::vector<std::string>{"a-wav-conv.wav", "a.wav", "b.wav", "c.wav",
                                                 "d-wav-conv.wav", "d.wav", "s.qzconv"}));
    EXPECT_NEAR(ReadWav(Path("d-wav-conv.wav")).audio.seconds(), 1.0, 0.01);
    // The session file is only read.
    EXPECT_EQ(ReadFileBytes(s), before);
}

TEST_F(CliSession, SavedSessionConvertsAndAMissingFileFailsTheRun) {
    const std::string a = Wav("a.wav");
    const std::string gone = Wav("gone.wav");
    const std::string s = Path("s.qzconv");
    ASSERT_EQ(Run({"--save-session", s, a, gone}, "save").exitCode, 0);
    fs::remove(gone);

    const ProcessResult r = Run({"--session", s, "--format", "wav", "-j", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.out, "converted: " + a + " -> ")) << r.out;
    EXPECT_TRUE(Has(r.out, "refused: " + gone + "\n")) << r.out;
    EXPECT_TRUE(Has(r.err, texts::UnsupportedFile(gone))) << r.err;
}

TEST_F(CliSession, UnreadableSessionsAreReportedWithTheirReason) {
    const std::string text = Path("notes.qzconv");
    std::ofstream(text) << "plain text\n";
    ProcessResult r = Run({"--session", text}, "text");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "tarnel-convert: error: Failed to load the saved converter settings project "
              "file.The file format is invalid.\n");

    r = Run({"--session", Path("missing.qzconv")}, "missing");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err,
                    "project file.The file could not be located. It may have been "
                    "deleted, renamed or moved to a different folder.\n"))
        << r.err;

    const std::string foreign = Path("foreign.qzconv");
    ASSERT_TRUE(WriteRootWithGsf(foreign, {{"Something else", {1, 2, 3}}}));
    r = Run({"--session", foreign}, "foreign");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "holds no conversion session")) << r.err;
}

TEST_F(CliSession, WriteProtectedTargetIsNotReplaced) {
    const std::string a = Wav("a.wav");
    const std::string s = Session("s.qzconv", {});
    const std::vector<uint8_t> before = ReadFileBytes(s);
    ASSERT_EQ(::chmod(s.c_str(), 0444), 0);
    const ProcessResult r = Run({"--save-session", s, a});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err,
                    "tarnel-convert: error: Failed to save the converter settings project "
                    "file.\"Access to the file is denied. It is write-protected or is being "
                    "accessed by another application.\n"))
        << r.err;
    EXPECT_EQ(ReadFileBytes(s), before);
}

}  // namespace
}  // namespace tarnel::test
