// Saving and opening session files through the document: the file on disk, the pending lists,
// the failure messages, and hostile or foreign files.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/DocumentTexts.h"
#include "app/SessionTexts.h"
#include "tests/app_session/GsfFiles.h"
#include "tests/app_session/SessionFixture.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

using SessionDoc = SessionFixture;

const std::vector<uint8_t> kCompoundSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

const std::string kAccessDenied =
    "Access to the file is denied.\nIt is write-protected or is being accessed by another "
    "application.";

TEST_F(SessionDoc, TemplateStringsAreTheSessionFileType) {
    EXPECT_EQ(
        texts::kDocumentTemplate,
        "Tarnel Audio Converter\n\nqzconv\nqzconv Files (*.qzconv)\n.qzconv\nqzconv.Document\n"
        "qzconv.Document");
    EXPECT_EQ(texts::kWindowTitle, "Tarnel Audio Converter");
    EXPECT_EQ(texts::kSessionFilterName, "qzconv Files (*.qzconv)");
    EXPECT_EQ(texts::kSessionFilterExtension, ".qzconv");
}

TEST_F(SessionDoc, EmptyListSavesAFourByteStreamAndReopensUnmodified) {
    doc->SetModifiedFlag(true);
    const std::string path = SessionPath("empty.qzconv");
    ASSERT_TRUE(doc->SaveSession(path));
    EXPECT_FALSE(doc->IsModified());

    const auto root = ReadRootWithGsf(path);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1u);
    EXPECT_EQ((*root)[0].name, "Tarnel Audio Converter");
    EXPECT_EQ((*root)[0].bytes, (std::vector<uint8_t>{0, 0, 0, 0}));

    doc->SetModifiedFlag(true);
    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->NextPendingIndex(), -1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(rows->LoadsRun(), 1);
}

TEST_F(SessionDoc, SavedFileIsACompoundFileWithExactlyTheSessionStream) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.mp3", "MP3");
    ASSERT_TRUE(doc->AddFile(a, FileStatus::Idle));
    ASSERT_TRUE(doc->AddFile(b, FileStatus::Idle));
    doc->CheckEntry(b);
    doc->Entries()[0]->status = FileStatus::Error;
    view.Clear();
    const std::string path = SessionPath("two.qzconv");
    ASSERT_TRUE(doc->SaveSession(path));

    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_GE(file.size(), 512u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 8), kCompoundSignature);

    const auto root = ReadRootWithGsf(path);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1u);
    EXPECT_EQ((*root)[0].name, "Tarnel Audio Converter");
    EXPECT_FALSE((*root)[0].isStorage);
    EXPECT_EQ((*root)[0].bytes,
              EncodeSessionStream({{a, FileStatus::Error, false}, {b, FileStatus::Idle, true}}));
    // Saving changes nothing in the list and tells the views nothing.
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{b}));
    EXPECT_TRUE(view.hints.empty());
    // No temporary file is left beside the session.
    for (const auto& item : fs::directory_iterator(workDir())) {
        EXPECT_EQ(item.path().filename().string().find(".tmp"), std::string::npos);
    }
}

TEST_F(SessionDoc, ThreeFilesReopenInOrderWithTheirTicksAndStatuses) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.ogg", "OGG", 7.0);
    const std::string c = Source("c.mp3", "MP3");
    for (const auto& path : {a, b, c}) ASSERT_TRUE(doc->AddFile(path, FileStatus::Idle));
    doc->CheckEntry(b);
    doc->Entries()[1]->status = FileStatus::Converted;
    const std::string path = SessionPath("three.qzconv");
    ASSERT_TRUE(doc->SaveSession(path));

    // Reading fills the pending lists; the entries are added only when WM_LOAD_PENDING runs.
    view.Clear();
    ASSERT_TRUE(doc->OpenSession(path));
    EXPECT_TRUE(doc->Entries().empty());
    ASSERT_EQ(doc->PendingLoad().size(), 3u);
    ASSERT_EQ(doc->PendingLoadChecked().size(), 1u);
    EXPECT_EQ(doc->PendingLoadChecked()[0], doc->PendingLoad()[1]);
    EXPECT_EQ(doc->NextPendingIndex(), 0);
    EXPECT_EQ(rows->LoadsRun(), 0);
    EXPECT_EQ(view.hints.at(0).hint, HINT_CLEARED);
    Drain();

    EXPECT_EQ(rows->LoadsRun(), 1);
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{b}));
    EXPECT_EQ(doc->Entries()[0]->status, FileStatus::Idle);
    EXPECT_EQ(doc->Entries()[1]->status, FileStatus::Converted);
    EXPECT_EQ(ListedStatusText(doc->Entries()[1]->status), "Converted");
    EXPECT_EQ(doc->Entries()[2]->status, FileStatus::Idle);
    // Every stored file was probed again.
    EXPECT_EQ(doc->Entries()[1]->format, "OGG");
    EXPECT_DOUBLE_EQ(doc->Entries()[1]->duration, 7.0);
    EXPECT_EQ(view.LogTexts(),
              (std::vector<std::string>{"File(s) selected for conversion. Converter is ready."}));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(doc->PendingLoad().empty());
    EXPECT_EQ(doc->NextPendingIndex(), -1);
    EXPECT_EQ(host.waitCursorDepth, 0);
    EXPECT_GE(host.waitCursorShown, 2);  // the open and the load loop

    // A run skips only the Converted entry.
    EXPECT_EQ(doc->CountRemaining(), 0);
    doc->CheckEntry(a);
    EXPECT_EQ(doc->CountRemaining(), 1);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(SessionDoc, MissingStoredFileIsLoggedAndTheRestStillLoad) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    const std::string c = Source("c.wav");
    const std::string path = WriteSession(
        "s.qzconv",
        {{a, FileStatus::Idle, true}, {b, FileStatus::Idle, true}, {c, FileStatus::Idle, false}});
    fs::remove(b);
    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a, c}));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{a}));
    ASSERT_EQ(view.log.size(), 2u);
    EXPECT_EQ(view.log[1].text, texts::UnsupportedFile(b));
    EXPECT_TRUE(view.log[1].isError);
    EXPECT_EQ(view.log[1].errorNumber, 27865);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(SessionDoc, PlayingAndConvertingAreKeptAsStoredAndListedIdle) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    const std::string c = Source("c.wav");
    const std::string path = WriteSession("s.qzconv", {{a, FileStatus::Playing, true},
                                                       {b, FileStatus::Converting, false},
                                                       {c, static_cast<FileStatus>(4242), true}});
    EXPECT_TRUE(OpenAndLoad(path));
    ASSERT_EQ(doc->Entries().size(), 3u);
    EXPECT_EQ(doc->Entries()[0]->status, FileStatus::Playing);
    EXPECT_EQ(doc->Entries()[1]->status, FileStatus::Converting);
    EXPECT_EQ(static_cast<int32_t>(doc->Entries()[2]->status), 4242);
    for (const auto& entry : doc->Entries()) EXPECT_EQ(ListedStatusText(entry->status), "Idle");
    // None of them counts as converted.
    EXPECT_EQ(doc->CountRemaining(), 2);
}

TEST_F(SessionDoc, SamePathStoredTwiceGivesOneEntryAndANotice) {
    const std::string a = Source("a.wav");
    const std::string path =
        WriteSession("s.qzconv", {{a, FileStatus::Converted, false}, {a, FileStatus::Idle, true}});
    EXPECT_TRUE(OpenAndLoad(path));
    ASSERT_EQ(doc->Entries().size(), 1u);
    EXPECT_EQ(doc->Entries()[0]->status, FileStatus::Converted);
    // The second record's tick went with the skipped duplicate.
    EXPECT_TRUE(doc->CheckedEntries().empty());
    EXPECT_EQ(view.LogTexts(), (std::vector<std::string>{texts::AlreadyListed(a)}));
}

TEST_F(SessionDoc, TextFileNamedQzconvIsAnInvalidFormat) {
    ASSERT_TRUE(doc->AddFile(Source("old.wav"), FileStatus::Idle));
    const std::string path = SessionPath("notes.qzconv");
    std::ofstream(path) << "this is not a session\n";
    EXPECT_FALSE(OpenAndLoad(path));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Failed to load the saved converter settings project file.The file format is "
              "invalid.");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    // The contents were deleted first; WM_LOAD_PENDING is posted all the same.
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_EQ(rows->LoadsRun(), 1);
    EXPECT_EQ(host.waitCursorDepth, 0);
}

TEST_F(SessionDoc, OpenFailuresNameTheirReason) {
    EXPECT_FALSE(doc->OpenSession(SessionPath("missing.qzconv")));
    EXPECT_FALSE(doc->OpenSession((workDir() / "no-such-folder" / "s.qzconv").string()));
    // A compound file whose header is damaged is not a session file either.
    const std::string damaged = SessionPath("damaged.qzconv");
    std::vector<uint8_t> bytes = kCompoundSignature;
    bytes.resize(600, 0xEE);
    WriteFileBytes(damaged, bytes);
    EXPECT_FALSE(doc->OpenSession(damaged));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0].text,
              "Failed to load the saved converter settings project file.The file could not be "
              "located.\nIt may have been deleted, renamed or moved to a different folder.");
    EXPECT_EQ(host.messages[1].text,
              "Failed to load the saved converter settings project file.The path is invalid.\nThe "
              "folder have been deleted, renamed or moved to a different location.");
    EXPECT_EQ(host.messages[2].text,
              "Failed to load the saved converter settings project file.The file format is "
              "invalid.");
}

TEST_F(SessionDoc, WriteProtectedTargetIsRefusedAndKept) {
    const std::string path = WriteSession("locked.qzconv", {{"/x.wav", FileStatus::Idle, true}});
    const std::vector<uint8_t> before = ReadFileBytes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_TRUE(doc->AddFile(Source("a.wav"), FileStatus::Idle));

    EXPECT_FALSE(doc->SaveSession(path));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Failed to save the converter settings project file.\"" + kAccessDenied);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_TRUE(doc->IsModified());

    // Without a main window the failure is returned but not shown.
    doc->AttachFrame(nullptr);
    EXPECT_FALSE(doc->SaveSession(path));
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(SessionDoc, FailedSaveLeavesThePreviousSessionWhole) {
    // The longest file name a folder takes: the new file, written beside it under a longer
    // temporary name first, cannot be created, so the save fails before the old file is touched.
    const std::string path = SessionPath(std::string(250, 's') + ".qzc");
    ASSERT_TRUE(WriteRootWithGsf(
        path, {{kSessionStreamName,
                EncodeSessionStream({{"/earlier.mp3", FileStatus::Converted, true}})}}));
    const std::vector<uint8_t> before = ReadFileBytes(path);
    ASSERT_TRUE(doc->AddFile(Source("a.wav"), FileStatus::Idle));

    EXPECT_FALSE(doc->SaveSession(path));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind(texts::kSaveSessionFailed, 0), 0u);
    EXPECT_EQ(ReadFileBytes(path), before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(workDir())) ++files;
    EXPECT_EQ(files, 2u);  // the session and a.wav

    // A save that succeeds replaces it.
    const std::string other = SessionPath("other.qzconv");
    ASSERT_TRUE(doc->SaveSession(other));
    fs::rename(other, path);
    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_EQ(doc->Entries().size(), 1u);
}

TEST_F(SessionDoc, SavingOverASessionReplacesIt) {
    const std::string path = WriteSession("s.qzconv", {{"/gone.mp3", FileStatus::Idle, true}});
    const std::string a = Source("a.wav");
    ASSERT_TRUE(doc->AddFile(a, FileStatus::Idle));
    ASSERT_TRUE(doc->SaveSession(path));
    const auto root = ReadRootWithGsf(path);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1u);
    EXPECT_EQ((*root)[0].bytes, EncodeSessionStream({{a, FileStatus::Idle, false}}));
}

TEST_F(SessionDoc, OtherStreamsAreIgnoredAndAMissingStreamLoadsNothing) {
    const std::string a = Source("a.wav");
    const std::string both = SessionPath("both.qzconv");
    ASSERT_TRUE(WriteRootWithGsf(
        both, {{"Other", {1, 2, 3, 4, 5, 6, 7, 8}},
               {"Tarnel Audio Converter", EncodeSessionStream({{a, FileStatus::Idle, true}})},
               {"Zzz", EncodeSessionStream({{"/z.wav", FileStatus::Idle, true}})}}));
    EXPECT_TRUE(OpenAndLoad(both));
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a}));

    const std::string none = SessionPath("none.qzconv");
    ASSERT_TRUE(
        WriteRootWithGsf(none, {{"Other", EncodeSessionStream({{a, FileStatus::Idle, true}})}}));
    const int loadsBefore = rows->LoadsRun();
    EXPECT_FALSE(OpenAndLoad(none));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_EQ(rows->LoadsRun(), loadsBefore + 1);
}

TEST_F(SessionDoc, HostileStreamLoadsTheRecordsItReallyHolds) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    std::vector<uint8_t> stream =
        EncodeSessionStream({{a, FileStatus::Idle, true}, {b, FileStatus::Error, false}});
    stream[0] = stream[1] = stream[2] = stream[3] = 0xFF;
    // A third record claiming a 4 GiB path.
    stream.insert(stream.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'x', 'y'});
    const std::string path = SessionPath("hostile.qzconv");
    ASSERT_TRUE(WriteRootWithGsf(path, {{"Tarnel Audio Converter", stream}}));

    ASSERT_TRUE(doc->OpenSession(path));
    EXPECT_EQ(doc->PendingLoad().size(), 2u);
    Drain();
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{a}));
    EXPECT_EQ(doc->Entries()[1]->status, FileStatus::Error);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SessionDoc, TakeNextPendingHandsOutEachEntryOnceThenEmptiesTheLists) {
    rows.reset();  // no list view: the pending entries stay until taken
    const std::string path = WriteSession("s.qzconv", {{"/1.wav", FileStatus::Idle, false},
                                                       {"/2.wav", FileStatus::Error, true},
                                                       {"", FileStatus::Idle, true},
                                                       {"/4.wav", FileStatus::Idle, true}});
    ASSERT_TRUE(doc->OpenSession(path));
    Drain();
    std::vector<std::pair<std::string, bool>> taken;
    while (auto next = doc->TakeNextPending()) {
        EXPECT_EQ(next->entry->progress, 0);
        taken.emplace_back(next->entry->path, next->ticked);
    }
    EXPECT_EQ(taken, (std::vector<std::pair<std::string, bool>>{
                         {"/1.wav", false}, {"/2.wav", true}, {"", true}, {"/4.wav", true}}));
    EXPECT_TRUE(doc->PendingLoad().empty());
    EXPECT_TRUE(doc->PendingLoadChecked().empty());
    EXPECT_EQ(doc->NextPendingIndex(), -1);
    EXPECT_FALSE(doc->TakeNextPending());
}

TEST_F(SessionDoc, NewSessionDropsEntriesStillPending) {
    rows.reset();
    const std::string path = WriteSession("s.qzconv", {{"/1.wav", FileStatus::Idle, true}});
    ASSERT_TRUE(doc->OpenSession(path));
    doc->NewDocument();
    EXPECT_TRUE(doc->PendingLoad().empty());
    EXPECT_FALSE(doc->TakeNextPending());
}

}  // namespace
}  // namespace tarnel::test
