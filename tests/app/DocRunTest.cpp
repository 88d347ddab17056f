// The conversion run over a scripted engine: order of calls, hints, messages and flags, the
// temporary file, delivery, naming, cancelling and failures.
#include <filesystem>
#include <regex>

#include "app/DocumentTexts.h"
#include "settings/SettingsStore.h"
#include "tests/app/DocFixture.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

class DocRun : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        SettingsStore().WriteFormat(203);  // WAV unless a test says otherwise
    }
    std::string Read(const std::string& path) {
        auto bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string Out(const std::string& name) { return (workDir() / name).string(); }
};

TEST_F(DocRun, OneFileFromStartToDelivery) {
    const std::string a = Listed("a.wav");
    view.Clear();
    engine->defaultOutput = "RIFF-bytes";

    doc->StartOrContinueRun();

    // Converting, with the run's flag pattern and the progress timer on.
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converting);
    EXPECT_TRUE(doc->IsProgressTimerActive());
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_TRUE(frame.flags.canCancel);
    EXPECT_FALSE(frame.flags.canAdd);
    EXPECT_FALSE(frame.flags.canConfigure);
    EXPECT_EQ(doc->RunIndex(), 0);
    EXPECT_EQ(doc->RunTotal(), 1);
    EXPECT_EQ(engine->exportFormat, 203);
    EXPECT_EQ(engine->sourceFormat, 203);
    EXPECT_DOUBLE_EQ(engine->duration, 3.5);  // the probed duration, as the graph had none
    EXPECT_EQ(engine->destinationPath, doc->TempPath());
    EXPECT_EQ(fs::path(doc->TempPath()).filename(), "morlat_temp.audio");
    // The temporary file lives in a private folder under TMPDIR, never directly in it.
    EXPECT_EQ(fs::path(doc->TempPath()).parent_path().parent_path().parent_path(), root() / "tmp");
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"SetTargetPcm", "SetExportFormat 203",
                                                       "Prepare " + a, "BuildGraph", "Run"}));
    // The default WAV record: 44100 Hz, 2 channels, 16 bits.
    EXPECT_EQ(engine->sampleRate, 44100);
    EXPECT_EQ(engine->channels, 2);
    EXPECT_EQ(engine->bitsPerSample, 16);
    // The frame hears of the file only through the event loop.
    EXPECT_TRUE(frame.progress.empty());
    Drain();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 1}}));

    // Progress ticks: a zero percent is not announced.
    engine->progress = 0;
    doc->OnProgressTick();
    engine->progress = 40;
    doc->OnProgressTick();
    EXPECT_EQ(doc->FindEntry(a)->progress, 40);

    Complete();

    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converted);
    EXPECT_EQ(Read(Out("a-wav-conv.wav")), "RIFF-bytes");
    EXPECT_EQ(doc->FinalPath(), Out("a-wav-conv.wav"));
    EXPECT_FALSE(fs::exists(doc->TempPath()));
    EXPECT_FALSE(doc->IsProgressTimerActive());
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_TRUE(doc->ConversionQueue().empty());
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 1}, {0, 0}}));
    EXPECT_TRUE(frame.flags.canConvert);
    EXPECT_FALSE(frame.flags.canCancel);
    EXPECT_TRUE(frame.flags.canAdd);
    EXPECT_TRUE(frame.flags.canConfigure);
    EXPECT_EQ(host.sounds, (std::vector<int>{189}));  // "Sound Alerts" is on when not stored
    EXPECT_TRUE(host.messages.empty());

    // Hints in order: Converting, progress (never 0), Converted. The timer may add ticks of
    // its own, all reading the scripted 40 percent.
    ASSERT_GE(view.hints.size(), 3u);
    EXPECT_EQ(view.hints.front().hint, HINT_ENTRY_STATUS);
    EXPECT_EQ(view.hints.front().status, FileStatus::Converting);
    EXPECT_EQ(view.hints.back().hint, HINT_ENTRY_STATUS);
    EXPECT_EQ(view.hints.back().status, FileStatus::Converted);
    for (size_t i = 1; i + 1 < view.hints.size(); ++i) {
        EXPECT_EQ(view.hints[i].hint, HINT_ENTRY_PROGRESS);
        EXPECT_EQ(view.hints[i].progress, 40);
    }
    EXPECT_TRUE(view.log.empty());
    EXPECT_EQ(engine->calls.back(), "ReleaseGraph");
}

TEST_F(DocRun, NothingTickedShowsTheMessageBox) {
    Source("a.wav");
    doc->StartOrContinueRun();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "No audio files are selected for conversion.\nPlease select at least one file and "
              "try again.");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(engine->calls.empty());
}

TEST_F(DocRun, AllConvertedGivesOnlyTheNotice) {
    const std::string a = Listed("a.wav");
    doc->FindEntry(a)->status = FileStatus::Converted;
    view.Clear();
    doc->StartOrContinueRun();
    Drain();
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].text,
              "All files have been converted to the current export format. If you want to "
              "convert them again, choose \"Reset Status\" from the \"Edit\" menu.");
    EXPECT_EQ(view.log[0].code, LOG_NOTICE);
    EXPECT_FALSE(view.log[0].isError);
    EXPECT_TRUE(frame.progress.empty());
    EXPECT_TRUE(engine->calls.empty());
    EXPECT_EQ(view.hints.size(), 1u);
}

TEST_F(DocRun, ConvertedEntryIsSkippedAndCountsAreOfTheRest) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    doc->FindEntry(a)->status = FileStatus::Converted;
    doc->StartOrContinueRun();
    EXPECT_EQ(doc->RunTotal(), 1);
    EXPECT_EQ(engine->sourcePath, b);
    Complete();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 1}, {0, 0}}));
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converted);
    EXPECT_EQ(engine->builds, 1);
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.wav")));
}

TEST_F(DocRun, TwoFilesInTickOrder) {
    const std::string b = Source("b.wav");
    const std::string a = Source("a.wav");
    doc->AddFile(a, FileStatus::Idle);
    doc->AddFile(b, FileStatus::Idle);
    doc->CheckEntry(b);
    doc->CheckEntry(a);
    engine->outputBySource[a] = "AAA";
    engine->outputBySource[b] = "BBB";

    doc->StartOrContinueRun();
    EXPECT_EQ(engine->sourcePath, b);
    Complete();
    EXPECT_EQ(engine->sourcePath, a);
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converting);
    EXPECT_EQ(doc->RunIndex(), 1);
    Complete();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {0, 0}}));
    EXPECT_EQ(Read(Out("a-wav-conv.wav")), "AAA");
    EXPECT_EQ(Read(Out("b-wav-conv.wav")), "BBB");
    EXPECT_EQ(host.sounds, (std::vector<int>{189, 189}));
}

TEST_F(DocRun, SoundAlertsOff) {
    SettingsStore().WriteSoundAlerts(false);
    Listed("a.wav");
    doc->StartOrContinueRun();
    Complete();
    EXPECT_TRUE(host.sounds.empty());
}

TEST_F(DocRun, CancelInTheMiddleOfAFile) {
    const std::string a = Listed("a.wav");
    Listed("b.wav");
    doc->StartOrContinueRun();
    Drain();
    const std::string temp = doc->TempPath();
    ASSERT_TRUE(fs::exists(temp));
    view.Clear();

    doc->CancelRun();

    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
    EXPECT_EQ(view.StatusesOf(a),
              (std::vector<FileStatus>{FileStatus::Converted, FileStatus::Idle}));
    EXPECT_EQ(view.LogTexts(), (std::vector<std::string>{"File conversion cancelled!"}));
    EXPECT_EQ(view.log[0].code, LOG_CANCELLED);
    EXPECT_FALSE(view.log[0].isError);
    EXPECT_TRUE(doc->ConversionQueue().empty());
    EXPECT_FALSE(doc->IsProgressTimerActive());
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_TRUE(frame.flags.canConvert);
    EXPECT_FALSE(frame.flags.canCancel);
    Drain();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 2}, {0, 0}}));
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.wav")));

    // A completion the graph had already queued arrives late and changes nothing.
    engine->graph = true;
    Complete();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
    EXPECT_EQ(engine->builds, 1);
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.wav")));
}

TEST_F(DocRun, ErrorEventWaitsForCancel) {
    const std::string a = Listed("a.wav");
    doc->StartOrContinueRun();
    const auto failure = static_cast<int32_t>(0x8007000E);
    RaiseEvent(*engine, kEventErrorAbort, failure);
    Drain();
    EXPECT_EQ(doc->LastStreamingError(), failure);  // the streaming failure reaches the document
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "An error occured while converting file.");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converting);
    EXPECT_TRUE(doc->IsProgressTimerActive());
    EXPECT_TRUE(frame.flags.canCancel);
    RaiseEvent(*engine, kEventUserAbort);
    Drain();
    EXPECT_EQ(host.messages.size(), 2u);
    // Unknown event codes are ignored.
    RaiseEvent(*engine, 0x0D);
    Drain();
    EXPECT_EQ(host.messages.size(), 2u);
    doc->CancelRun();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
}

TEST_F(DocRun, BuildFailureGoesOnWithTheNextFile) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.ogg", "OGG");
    const std::string c = Listed("c.wav");
    engine->buildResults[a] = static_cast<int32_t>(0x80004005);
    engine->buildResults[b] = kVorbisSettingsRejected;

    doc->StartOrContinueRun();

    // Both failures are handled at once; c converts.
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Error);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Error);
    EXPECT_EQ(doc->FindEntry(c)->status, FileStatus::Converting);
    EXPECT_EQ(doc->RunIndex(), 0);        // failed files do not advance the run
    ASSERT_EQ(view.log.size(), 2u + 1u);  // the ready notice, then the two errors
    EXPECT_EQ(view.log[1].text,
              "Error converting the file \"" + a +
                  "\".Either the paricular codec format is unavailable or a fatal error occured "
                  "while processing the file.");
    EXPECT_EQ(view.log[1].errorNumber, 27866);
    EXPECT_EQ(view.log[1].code, LOG_ERROR);
    EXPECT_TRUE(view.log[1].isError);
    EXPECT_EQ(view.log[2].text,
              "Error converting the file \"" + b +
                  "\".\nThe Ogg encoder could not manage to configure the current settings.\n"
                  "Adjust bitrates, sampling rate, or channels and try again.");
    EXPECT_EQ(view.log[2].errorNumber, 27867);
    EXPECT_EQ(view.StatusesOf(a), (std::vector<FileStatus>{FileStatus::Error}));
    Drain();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 3}}));
    Complete();
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{1, 3}, {0, 0}}));
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.wav")));
    EXPECT_TRUE(fs::exists(Out("c-wav-conv.wav")));
    EXPECT_EQ(host.sounds.size(), 3u);
}

TEST_F(DocRun, GraphRefusingToRunFailsTheFileAndTheRunGoesOn) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    engine->runResults[a] = static_cast<int32_t>(0x80004005);
    view.Clear();
    doc->StartOrContinueRun();

    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Error);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converting);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].errorNumber, 27866);
    EXPECT_TRUE(view.log[0].isError);
    EXPECT_EQ(view.StatusesOf(a),
              (std::vector<FileStatus>{FileStatus::Converting, FileStatus::Error}));
    Complete();
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converted);
    EXPECT_TRUE(fs::exists(Out("b-wav-conv.wav")));
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.wav")));
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_FALSE(doc->IsProgressTimerActive());
    EXPECT_TRUE(frame.flags.canConvert);
}

TEST_F(DocRun, OnlyFileFailingToBuildEndsTheRun) {
    const std::string a = Listed("a.wav");
    engine->buildResults[a] = -1;
    doc->StartOrContinueRun();
    Drain();
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_TRUE(frame.flags.canConvert);
    EXPECT_FALSE(frame.flags.canCancel);
    // The failed build was released, then stopped and released again.
    EXPECT_EQ(engine->calls,
              (std::vector<std::string>{"SetTargetPcm", "SetExportFormat 203", "Prepare " + a,
                                        "BuildGraph", "ReleaseGraph", "Stop", "ReleaseGraph"}));
}

TEST_F(DocRun, NamingStrategies) {
    const std::string plain = Listed("song");
    doc->StartOrContinueRun();
    Complete();
    EXPECT_TRUE(fs::exists(Out("song--conv.wav")));

    doc->ResetConvertedStatus();
    doc->SetNamingStrategy(1);
    doc->StartOrContinueRun();
    Complete();
    const std::regex dated("song_\\d{4}-\\d{2}-\\d{2}_\\d{2}h\\d{2}m\\d{2}s\\.wav");
    EXPECT_TRUE(std::regex_match(fs::path(doc->FinalPath()).filename().string(), dated))
        << doc->FinalPath();
    EXPECT_TRUE(fs::exists(doc->FinalPath()));
}

TEST_F(DocRun, UnknownNamingStrategyIsAnErrorNotASuccess) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    doc->SetNamingStrategy(7);
    view.Clear();
    doc->StartOrContinueRun();
    Drain();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Error);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Error);
    EXPECT_EQ(engine->builds, 0);
    ASSERT_EQ(view.log.size(), 2u);
    EXPECT_TRUE(view.log[0].isError);
    EXPECT_EQ(view.log[0].code, LOG_ERROR);
    EXPECT_NE(view.log[0].text.find(a), std::string::npos);
    EXPECT_NE(view.log[0].text.find("naming strategy 7"), std::string::npos);
    EXPECT_EQ(frame.progress, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(DocRun, FailedDeliveryIsAnError) {
    const std::string a = Listed("a.wav");
    fs::create_directory(Out("a-wav-conv.wav"));  // the final name is taken by a folder
    view.Clear();
    doc->StartOrContinueRun();
    Complete();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Error);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_TRUE(view.log[0].isError);
    EXPECT_EQ(view.log[0].code, LOG_ERROR);
    EXPECT_NE(view.log[0].text.find(a), std::string::npos);
    EXPECT_NE(view.log[0].text.find("a-wav-conv.wav"), std::string::npos);
    EXPECT_EQ(view.StatusesOf(a),
              (std::vector<FileStatus>{FileStatus::Converting, FileStatus::Error}));
    // Nothing half-written beside the source.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(workDir())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a-wav-conv.wav", "a.wav"}));
}

TEST_F(DocRun, Mp3ExportDeliversTheRawStream) {
    SettingsStore().WriteFormat(201);
    const std::string a = Listed("a.wav");
    std::string riff = std::string("RIFF\0\0\0\0WAVEfmt \x1e\0\0\0", 20);
    riff += std::string("\x55\0", 2) + std::string(28, '\0');
    riff += std::string("data\x04\0\0\0", 8) + "\xff\xfb\x90\x64";
    engine->defaultOutput = riff;
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->exportFormat, 201);
    EXPECT_EQ(engine->sampleRate, 44100);
    EXPECT_EQ(engine->channels, 2);  // joint stereo by default
    EXPECT_EQ(engine->bitsPerSample, 16);
    Complete();
    EXPECT_EQ(Read(Out("a-wav-conv.mp3")), "\xff\xfb\x90\x64");

    // A container the checks refuse is an error, with no output.
    doc->ResetConvertedStatus();
    engine->defaultOutput = "not a RIFF file";
    fs::remove(Out("a-wav-conv.mp3"));
    view.Clear();
    doc->StartOrContinueRun();
    Complete();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Error);
    EXPECT_FALSE(fs::exists(Out("a-wav-conv.mp3")));
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].code, LOG_ERROR);
}

TEST_F(DocRun, SecondRunReplacesTheOutput) {
    Listed("song.wav");
    engine->defaultOutput = "first, longer output";
    doc->StartOrContinueRun();
    Complete();
    doc->ResetConvertedStatus();
    engine->defaultOutput = "second";
    doc->StartOrContinueRun();
    Complete();
    EXPECT_EQ(Read(Out("song-wav-conv.wav")), "second");
}

TEST_F(DocRun, FormatOverrideIsNotStored) {
    Listed("a.wav");
    doc->SetExportFormatOverride(202);
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->exportFormat, 202);
    EXPECT_EQ(doc->ExportFormat(), 202);
    Complete();
    EXPECT_TRUE(fs::exists(Out("a-wav-conv.ogg")));
    int32_t stored = 0;
    SettingsStore().ReadFormat(stored);
    EXPECT_EQ(stored, 203);
}

TEST_F(DocRun, WmaExportTakesTheStoredChoice) {
    SettingsStore().WriteFormat(200);
    WmaSettings wma;
    wma.codecIndex = 1;
    wma.formatIndex = 7;
    wma.vbr = 1;
    SettingsStore().WriteWmaSettings(wma);
    Listed("a.wav");
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->exportFormat, 200);
    EXPECT_EQ(engine->wmaCodec, 1);
    EXPECT_EQ(engine->wmaFormat, 7);
    EXPECT_EQ(engine->wmaVbr, 1);
}

TEST_F(DocRun, MonoMp3AndOggRecords) {
    SettingsStore().WriteFormat(201);
    Mp3Settings mp3;
    mp3.channelMode = 0;
    mp3.sampleRate = 22050;
    SettingsStore().WriteMp3Settings(mp3);
    Listed("a.wav");
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->channels, 1);
    EXPECT_EQ(engine->sampleRate, 22050);
    doc->CancelRun();

    SettingsStore().WriteFormat(202);
    OggSettings ogg;
    ogg.sampleRate = 32000;
    ogg.channels = 1;
    SettingsStore().WriteOggSettings(ogg);
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->exportFormat, 202);
    EXPECT_EQ(engine->sampleRate, 32000);
    EXPECT_EQ(engine->channels, 1);
    EXPECT_EQ(engine->bitsPerSample, 16);
}

TEST_F(DocRun, RemovingTheConvertingEntryKeepsTheRunConsistent) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    doc->StartOrContinueRun();
    const AudioDataPtr converting = doc->ConvertingEntry();
    ASSERT_EQ(converting->path, a);

    doc->RemoveEntry(a);

    EXPECT_EQ(doc->Entries().size(), 1u);
    EXPECT_EQ(doc->ConvertingEntry(), converting);  // still alive for the run
    // The run keeps its own flag pattern although the view unticked a row.
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_TRUE(frame.flags.canCancel);
    // Progress ticks still reach the removed entry safely.
    engine->progress = 50;
    doc->OnProgressTick();
    EXPECT_EQ(converting->progress, 50);

    Complete();
    // The second file is next, not dropped in place of the removed one.
    EXPECT_EQ(engine->sourcePath, b);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converting);
    EXPECT_EQ(doc->ConversionQueue().size(), 1u);
    Complete();
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converted);
    EXPECT_FALSE(doc->IsRunActive());
}

TEST_F(DocRun, RemovingAWaitingEntryTakesItOutOfTheRun) {
    Listed("a.wav");
    const std::string b = Listed("b.wav");
    const std::string c = Listed("c.wav");
    doc->StartOrContinueRun();
    doc->RemoveEntry(b);
    Complete();
    EXPECT_EQ(engine->sourcePath, c);
    Complete();
    EXPECT_FALSE(fs::exists(Out("b-wav-conv.wav")));
    EXPECT_TRUE(fs::exists(Out("c-wav-conv.wav")));
}

TEST_F(DocRun, TickingDuringARunKeepsTheRunPattern) {
    Listed("a.wav");
    const std::string b = Source("b.wav");
    doc->AddFile(b, FileStatus::Idle);
    doc->StartOrContinueRun();
    doc->CheckEntry(b);
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_TRUE(frame.flags.canCancel);
    EXPECT_FALSE(frame.flags.canAdd);
    doc->UncheckEntry(b);
    EXPECT_FALSE(frame.flags.canConvert);
    EXPECT_TRUE(frame.flags.canCancel);
    // A second Convert during the run changes nothing.
    doc->StartOrContinueRun();
    EXPECT_EQ(engine->builds, 1);
    Complete();
    EXPECT_TRUE(frame.flags.canConvert);
}

TEST_F(DocRun, UntickingEverythingEndsTheRunAfterTheCurrentFile) {
    const std::string a = Listed("a.wav");
    const std::string b = Listed("b.wav");
    doc->StartOrContinueRun();
    doc->UncheckEntry(a);
    doc->UncheckEntry(b);
    Complete();
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converted);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Idle);
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_TRUE(doc->ConversionQueue().empty());
    // A new Convert with b ticked again starts a fresh run of one file.
    doc->CheckEntry(b);
    doc->StartOrContinueRun();
    EXPECT_EQ(doc->RunTotal(), 1);
    EXPECT_EQ(engine->sourcePath, b);
}

TEST_F(DocRun, NewSessionDuringARunEndsIt) {
    Listed("a.wav");
    doc->StartOrContinueRun();
    Drain();
    const std::string temp = doc->TempPath();
    doc->NewDocument();
    EXPECT_FALSE(doc->IsRunActive());
    EXPECT_FALSE(doc->IsProgressTimerActive());
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_TRUE(frame.flags.canAdd);
    Drain();
    EXPECT_EQ(frame.progress.back(), (std::pair<int, int>{0, 0}));
    doc->OnProgressTick();  // no converting entry: nothing happens
}

TEST_F(DocRun, ProgressTimerTicksOnTheEventLoop) {
    const std::string a = Listed("a.wav");
    engine->progress = 12;
    doc->StartOrContinueRun();
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& h : view.hints) {
            if (h.hint == HINT_ENTRY_PROGRESS) return true;
        }
        return false;
    }));
    EXPECT_EQ(doc->FindEntry(a)->progress, 12);
}

TEST_F(DocRun, EachDocumentHasItsOwnTemporaryFolder) {
    RecordingHost otherHost;
    auto otherEngine = std::make_shared<ScriptedEngine::Shared>();
    CvemoraDoc other(otherHost, MarkerProbe, std::make_unique<ScriptedEngine>(otherEngine));
    const std::string a = Listed("a.wav");
    const std::string b = Source("b.wav");
    other.AddFile(b, FileStatus::Idle);
    other.CheckEntry(b);
    doc->StartOrContinueRun();
    other.StartOrContinueRun();
    EXPECT_NE(doc->TempPath(), other.TempPath());
    EXPECT_EQ(fs::path(doc->TempPath()).filename(), fs::path(other.TempPath()).filename());
    other.CancelRun();
    EXPECT_TRUE(fs::exists(doc->TempPath()));
}

}  // namespace
}  // namespace tarnel::test
