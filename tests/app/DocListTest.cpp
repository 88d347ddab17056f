// The list operations: adding, ticking, removing, resetting, the configuration commands and
// the log queue.
#include <filesystem>

#include "app/DocumentTexts.h"
#include "settings/SettingsStore.h"
#include "tests/app/DocFixture.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

using DocList = DocFixture;

TEST_F(DocList, AddedEntryCarriesProbeResultAndHint) {
    const std::string path = Source("song.mp3", "OGG", 12.25);
    EXPECT_TRUE(doc->AddFile(path, FileStatus::Idle));
    ASSERT_EQ(doc->Entries().size(), 1u);
    const auto& entry = doc->Entries()[0];
    // The probe decides the format, not the extension.
    EXPECT_EQ(entry->format, "OGG");
    EXPECT_DOUBLE_EQ(entry->duration, 12.25);
    EXPECT_EQ(entry->status, FileStatus::Idle);
    EXPECT_EQ(entry->progress, 0);
    ASSERT_EQ(view.hints.size(), 1u);
    EXPECT_EQ(view.hints[0].hint, HINT_ENTRY_ADDED);
    EXPECT_TRUE(frame.flags.canPlay);
    EXPECT_FALSE(frame.flags.canPause);
    EXPECT_FALSE(frame.flags.canStop);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->DisplayTitle(), "*");

    // A session entry keeps the status it was saved with.
    EXPECT_TRUE(doc->AddFile(Source("b.wav"), FileStatus::Converted));
    EXPECT_EQ(doc->Entries()[1]->status, FileStatus::Converted);
}

TEST_F(DocList, DuplicatePathIsSkippedWithANotice) {
    const std::string path = Source("song.wav");
    EXPECT_TRUE(doc->AddFile(path, FileStatus::Idle));
    view.Clear();
    EXPECT_FALSE(doc->AddFile(path, FileStatus::Idle));
    EXPECT_EQ(doc->Entries().size(), 1u);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].text, "The file \"" + path + "\" is already in the list. Skipped.");
    EXPECT_EQ(view.log[0].code, LOG_NOTICE);
    EXPECT_FALSE(view.log[0].isError);
    EXPECT_EQ(view.log[0].errorNumber, -1);

    // Other texts for the same file are other entries: no case folding, no normalisation.
    const std::string upper = Source("SONG.wav");
    EXPECT_TRUE(doc->AddFile(upper, FileStatus::Idle));
    const std::string dotted = (workDir() / "." / "song.wav").string();
    EXPECT_TRUE(doc->AddFile(dotted, FileStatus::Idle));
    EXPECT_EQ(doc->Entries().size(), 3u);
}

TEST_F(DocList, UnsupportedFilesAreLoggedAndDirectoriesSkipped) {
    const std::string bad1 = (workDir() / "notes.txt").string();
    std::ofstream(bad1) << "plain text";
    const std::string bad2 = (workDir() / "missing.wav").string();
    fs::create_directory(workDir() / "folder.wav");
    host.dialogAnswer = std::vector<std::string>{bad1, (workDir() / "folder.wav").string(), bad2};

    doc->AddFiles();

    EXPECT_TRUE(doc->Entries().empty());
    ASSERT_EQ(host.dialogRequests.size(), 1u);
    EXPECT_EQ(host.dialogRequests[0].title, "Select audio file(s) for conversion");
    EXPECT_EQ(host.dialogRequests[0].filter,
              "Audio Files (*.wma, *.mp3, *.ogg, *.wav)|*.wma;*.mp3;*.ogg;*.wav;|WMA Files "
              "(*.wma)|*.wma|MP3 Files (*.mp3)|*.mp3|OGG Files (*.ogg)|*.ogg|WAV Files "
              "(*.wav)|*.wav||");
    // The folder and the missing file (whose attributes cannot be read) are skipped silently.
    ASSERT_EQ(view.log.size(), 2u);
    EXPECT_EQ(view.log[0].text, "Error checking the audio file \"" + bad1 +
                                    "\". It may not be in a supported format or is corrupted.");
    EXPECT_TRUE(view.log[0].isError);
    EXPECT_EQ(view.log[0].code, LOG_ERROR);
    EXPECT_EQ(view.log[0].errorNumber, 27865);
    EXPECT_EQ(view.log[1].text, "Currently, no files are selected for conversion.");
    EXPECT_EQ(view.log[1].code, LOG_SELECTION);
    // Added directly, the missing file fails its probe.
    EXPECT_FALSE(doc->AddFile(bad2, FileStatus::Idle));
    ASSERT_EQ(view.log.size(), 3u);
    EXPECT_NE(view.log[2].text.find(bad2), std::string::npos);
    EXPECT_EQ(view.log[2].errorNumber, 27865);
    EXPECT_EQ(host.waitCursorShown, 1);
    EXPECT_EQ(host.waitCursorDepth, 0);
    EXPECT_GE(host.repaints, 1);

    // The folder of the last chosen path is remembered for the next dialog.
    doc->AddFiles();
    ASSERT_EQ(host.dialogRequests.size(), 2u);
    EXPECT_EQ(host.dialogRequests[1].initialFolder, workDir().string());
}

TEST_F(DocList, CancelledDialogChangesNothing) {
    host.dialogAnswer.reset();
    doc->AddFiles();
    EXPECT_TRUE(view.hints.empty());
    EXPECT_EQ(host.waitCursorShown, 0);
}

TEST_F(DocList, TickedFilesFromTheDialogGiveOnlyTheReadyNotice) {
    view.tickWhenAdded = true;
    host.dialogAnswer = std::vector<std::string>{Source("a.wav"), Source("b.wav")};
    doc->AddFiles();
    EXPECT_EQ(doc->CheckedEntries().size(), 2u);
    EXPECT_EQ(view.LogTexts(),
              (std::vector<std::string>{"File(s) selected for conversion. Converter is ready."}));
}

TEST_F(DocList, SelectionNotices) {
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    doc->AddFile(a, FileStatus::Idle);
    doc->AddFile(b, FileStatus::Idle);
    EXPECT_FALSE(frame.flags.canConvert);

    doc->CheckEntry(a);
    EXPECT_TRUE(frame.flags.canConvert);
    EXPECT_FALSE(frame.flags.canCancel);
    doc->CheckEntry(b);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].text, "File(s) selected for conversion. Converter is ready.");
    EXPECT_EQ(view.log[0].code, LOG_SELECTION);

    doc->UncheckEntry(a);
    EXPECT_EQ(view.log.size(), 1u);
    EXPECT_TRUE(frame.flags.canConvert);
    doc->UncheckEntry(b);
    ASSERT_EQ(view.log.size(), 2u);
    EXPECT_EQ(view.log[1].text, "Currently, no files are selected for conversion.");
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_TRUE(frame.flags.canAdd);
    EXPECT_TRUE(frame.flags.canConfigure);

    // Ticking again after the list was empty announces readiness again.
    doc->CheckEntry(b);
    EXPECT_EQ(view.log.size(), 3u);
    EXPECT_EQ(doc->CheckedEntries().front()->path, b);
}

TEST_F(DocList, RemovingTheLastEntryDisablesPreviewCommands) {
    const std::string a = Listed("a.wav");
    EXPECT_TRUE(frame.flags.canPlay);
    view.Clear();
    doc->RemoveEntry(a);
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_TRUE(doc->CheckedEntries().empty());
    EXPECT_FALSE(frame.flags.canPlay);
    EXPECT_FALSE(frame.flags.canPause);
    EXPECT_FALSE(frame.flags.canStop);
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_EQ(view.LogTexts(),
              (std::vector<std::string>{"Currently, no files are selected for conversion."}));
}

TEST_F(DocList, BatchUntickAndRemoveActAsOneCallPerPath) {
    const std::string a = Listed("a.wav"), b = Listed("b.wav"), c = Source("c.wav");
    ASSERT_TRUE(doc->AddFile(c, FileStatus::Idle));
    const auto notices = [&] {
        const std::vector<std::string> log = view.LogTexts();
        return std::count(log.begin(), log.end(), std::string(texts::kNothingSelected));
    };
    view.Clear();
    // The list is empty after the third call, so the third and fourth log the notice.
    doc->UncheckEntries({c, a, b, c});
    EXPECT_EQ(notices(), 2);
    EXPECT_TRUE(doc->CheckedEntries().empty());
    EXPECT_FALSE(frame.flags.canConvert);

    doc->CheckEntry(a);
    view.Clear();
    doc->RemoveEntries({b, a, c});
    EXPECT_EQ(notices(), 2);
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_EQ(doc->FindEntry(a), nullptr);
    EXPECT_FALSE(frame.flags.canPlay);
    // Removed paths can be listed again.
    EXPECT_TRUE(doc->AddFile(a, FileStatus::Idle));
    EXPECT_EQ(doc->FindEntry(a), doc->Entries().front());
}

TEST_F(DocList, ResetConvertedStatus) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    const std::string c = Source("c.wav");
    doc->AddFile(c, FileStatus::Converted);  // not ticked
    doc->FindEntry(a)->status = FileStatus::Converted;
    doc->FindEntry(b)->status = FileStatus::Error;
    view.Clear();

    doc->ResetConvertedStatus();

    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Idle);
    // The unticked entry is reset by the list view on the hint, not by the document.
    EXPECT_EQ(doc->FindEntry(c)->status, FileStatus::Converted);
    ASSERT_EQ(view.hints.size(), 2u);
    EXPECT_EQ(view.hints[0].hint, HINT_STATUS_RESET);
    EXPECT_EQ(view.hints[1].hint, HINT_LOG);
    EXPECT_EQ(view.hints[1].marker, 3000);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].text, "Resetting all previous conversion status information.");
    EXPECT_EQ(view.log[0].code, LOG_NOTICE);
    EXPECT_EQ(doc->SavedPreviewStatus(), FileStatus::Idle);
}

TEST_F(DocList, ExportConfigurationWithAChangedFormat) {
    Listed("a.wav");
    doc->SetModifiedFlag(false);
    view.Clear();
    SettingsStore().WriteNamingStrategy(1);

    host.exportAnswer = {false, true};  // cancelled: nothing happens
    doc->ConfigureExport();
    EXPECT_TRUE(view.hints.empty());

    host.exportAnswer = {true, true};
    doc->ConfigureExport();
    ASSERT_EQ(view.hints.size(), 3u);
    EXPECT_EQ(view.hints[0].hint, HINT_STATUS_RESET);
    EXPECT_EQ(view.hints[1].hint, HINT_LOG);
    EXPECT_EQ(view.hints[1].marker, 3000);
    EXPECT_EQ(view.hints[2].hint, HINT_SETTINGS);
    EXPECT_EQ(view.LogTexts(),
              (std::vector<std::string>{"Export format has changed. Previous conversion statuses "
                                        "have been reset."}));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->NamingStrategy(), 1);
    EXPECT_EQ(frame.settingsChanged, 0);  // queued, not called inside the command
    Drain();
    EXPECT_EQ(frame.settingsChanged, 1);
}

TEST_F(DocList, GeneralConfigurationRereadsTheNamingStrategy) {
    EXPECT_EQ(doc->NamingStrategy(), 0);
    SettingsStore().WriteNamingStrategy(1);
    host.generalAnswer = false;
    doc->ConfigureGeneral();
    EXPECT_EQ(doc->NamingStrategy(), 0);
    host.generalAnswer = true;
    doc->ConfigureGeneral();
    EXPECT_EQ(doc->NamingStrategy(), 1);
    ASSERT_EQ(view.hints.size(), 1u);
    EXPECT_EQ(view.hints[0].hint, HINT_SETTINGS);
    Drain();
    EXPECT_EQ(frame.settingsChanged, 1);
}

TEST_F(DocList, StoredNamingStrategyAppliesFromTheStart) {
    SettingsStore().WriteNamingStrategy(1);
    CvemoraDoc fresh(host, MarkerProbe, std::make_unique<ScriptedEngine>(engine));
    EXPECT_EQ(fresh.NamingStrategy(), 1);
}

TEST_F(DocList, LogQueueIsFirstInFirstOut) {
    doc->RemoveView(&view);
    doc->PostLog("one", false, LOG_NOTICE, -1);
    doc->PostLog("two", true, LOG_ERROR, 42);
    LogRecord record;
    ASSERT_TRUE(doc->TakeLogRecord(record));
    EXPECT_EQ(record.text, "one");
    ASSERT_TRUE(doc->TakeLogRecord(record));
    EXPECT_EQ(record.text, "two");
    EXPECT_TRUE(record.isError);
    EXPECT_EQ(record.errorNumber, 42);
    EXPECT_TRUE(record.remarks.empty());
    // An empty queue leaves the caller's record as it was.
    EXPECT_FALSE(doc->TakeLogRecord(record));
    EXPECT_EQ(record.text, "two");
}

TEST_F(DocList, NewDocumentEmptiesEverything) {
    Listed("a.wav");
    view.Clear();
    doc->NewDocument();
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_TRUE(doc->CheckedEntries().empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->RunIndex(), -1);
    EXPECT_EQ(doc->PlayIndex(), -1);
    ASSERT_FALSE(view.hints.empty());
    EXPECT_EQ(view.hints[0].hint, HINT_CLEARED);
}

}  // namespace
}  // namespace tarnel::test
