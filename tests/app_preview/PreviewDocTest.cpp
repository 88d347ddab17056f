// Preview playback as the user drives it: play lists, pause and resume, stop, removal of the
// playing entry, the volume slider, Ogg files under other names, failures, and a preview while
// another file converts. The audio goes to SDL's dummy driver, which plays in real time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/CvemoraDoc.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/renderer/CAudioRenderer.h"
#include "settings/SettingsStore.h"
#include "tests/app/DocRecorders.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/platform/audiorenderer/ScriptedOutput.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

void RegisterFiltersOnce() {
    static const bool done = [] {
        FilterRegistry& registry = FilterRegistry::Default();
        RegisterSystemFilters(registry);
        RegisterOggSplitter(registry);
        RegisterVorbisDecoder(registry);
        return true;
    }();
    (void)done;
}

class PreviewDoc : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterFiltersOnce();
        doc = std::make_unique<CvemoraDoc>(host);
        doc->AttachFrame(&frame);
        doc->AddView(&view);
    }
    void TearDown() override {
        doc.reset();
        media::RegisterAudioRenderer(FilterRegistry::Default());  // undo a scripted device
        IsolatedTest::TearDown();
    }
    std::string Listed(const std::string& name, FileStatus status = FileStatus::Idle,
                       double seconds = 0.2) {
        const std::string path = (workDir() / name).string();
        WriteWav(path, MakeSine(22050, 2, seconds, 440.0, 0.5));
        EXPECT_TRUE(doc->AddFile(path, status)) << path;
        return path;
    }
    bool WaitForPreviewEnd() {
        return PumpUntil([&] { return doc->PlayIndex() == -1; }, 30000);
    }
    FileStatus StatusOf(const std::string& path) { return doc->FindEntry(path)->status; }
    bool Playing() const {
        return !frame.flags.canPlay && frame.flags.canPause && frame.flags.canStop;
    }

    RecordingHost host;
    RecordingFrame frame;
    RecordingView view;
    std::unique_ptr<CvemoraDoc> doc;
};

TEST_F(PreviewDoc, TwoRowsPlayInListOrderAndGetTheirStatusesBack) {
    const std::string a = Listed("a.wav", FileStatus::Converted);
    const std::string b = Listed("b.wav", FileStatus::Error);
    doc->PlayPaths({a, b});
    EXPECT_EQ(StatusOf(a), FileStatus::Playing);
    EXPECT_TRUE(Playing());
    ASSERT_TRUE(WaitForPreviewEnd());

    std::vector<std::pair<std::string, FileStatus>> seen;
    for (const auto& h : view.hints) {
        if (h.hint == HINT_ENTRY_STATUS) seen.emplace_back(h.path, h.status);
    }
    const std::vector<std::pair<std::string, FileStatus>> expected = {
        {a, FileStatus::Playing},
        {a, FileStatus::Converted},
        {b, FileStatus::Playing},
        {b, FileStatus::Idle}};  // an Error entry comes back Idle
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(frame.flags.canPlay && !frame.flags.canPause && !frame.flags.canStop);
    EXPECT_TRUE(host.messages.empty());
    doc->PlayPaths({});  // starts nothing
    EXPECT_EQ(doc->PlayIndex(), -1);
}

TEST_F(PreviewDoc, PauseThenPlayResumesTheSameGraphAndStopRestores) {
    int selections = 0;
    doc->AttachPlaySelection([&] { ++selections; });
    const std::string a = Listed("a.wav", FileStatus::Converted, 0.5);
    doc->OnPlayCommand();  // nothing paused: the list view is asked for its selection
    EXPECT_EQ(selections, 1);

    doc->PlayPaths({a});
    const FilterGraph* graph = doc->Player().Graph();
    doc->OnPauseCommand();
    EXPECT_EQ(StatusOf(a), FileStatus::Paused);
    EXPECT_TRUE(frame.flags.canPlay && !frame.flags.canPause && frame.flags.canStop);
    doc->OnPlayCommand();
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(doc->Player().Graph(), graph);
    EXPECT_EQ(StatusOf(a), FileStatus::Playing);
    EXPECT_TRUE(Playing());

    doc->OnStopCommand();
    EXPECT_EQ(StatusOf(a), FileStatus::Converted);
    EXPECT_EQ(doc->PlayIndex(), -1);
    EXPECT_TRUE(doc->Player().IsOpen());  // kept until the next play
    EXPECT_EQ(doc->SavedPreviewStatus(), FileStatus::NoStatus);
}

TEST_F(PreviewDoc, RemovingThePlayingEntryMovesOnAndSkipsARemovedPath) {
    const std::string a = Listed("a.wav", FileStatus::Idle, 5.0);
    const std::string b = Listed("b.wav");
    const std::string c = Listed("c.wav");
    doc->PlayPaths({a, b, c});
    doc->RemoveEntry(b);  // before its turn
    doc->RemoveEntry(a);  // while it plays
    EXPECT_EQ(doc->PlayIndex(), 2);
    EXPECT_EQ(StatusOf(c), FileStatus::Playing);
    EXPECT_EQ(view.StatusesOf(b), std::vector<FileStatus>{});
    ASSERT_TRUE(WaitForPreviewEnd());
    EXPECT_EQ(StatusOf(c), FileStatus::Idle);
    doc->RemoveEntry(c);
    EXPECT_FALSE(frame.flags.canPlay || frame.flags.canPause || frame.flags.canStop);
}

TEST_F(PreviewDoc, SliderPositionsBecomeDecibelsAndZeroIsQuietNotSilent) {
    const std::vector<std::pair<int, int>> cases = {{1000, 0}, {500, -6}, {100, -20}, {1, -60}};
    for (const auto& [position, db] : cases) {
        doc->SetPreviewVolume(position);
        EXPECT_EQ(doc->Player().VolumeDb(), db) << position;
    }
    doc->SetPreviewVolume(0);
    EXPECT_EQ(doc->Player().VolumeDb(), -60);

    const std::string a = Listed("a.wav");
    doc->PlayPaths({a});
    int32_t volume = 0;
    ASSERT_EQ(doc->Player().Graph()->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -6000);
    auto* renderer = dynamic_cast<media::CAudioRenderer*>(
        doc->Player().Graph()->FindFilter(media::kAudioRendererName));
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->WaitForFramesPlayed(1, std::chrono::seconds(10)));
    doc->SetPreviewVolume(500);  // a move while playing reaches the renderer at once
    ASSERT_EQ(doc->Player().Graph()->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -600);
    ASSERT_TRUE(WaitForPreviewEnd());
}

TEST_F(PreviewDoc, AnOggFileNamedMp3PlaysThroughOurSplitterAndDecoder) {
    const std::string path = (workDir() / "song.mp3").string();
    WriteFileBytes(path, EncodeOggVorbis(MakeSine(44100, 2, 0.3, 440.0, 0.5)));
    ASSERT_TRUE(doc->AddFile(path, FileStatus::Idle));
    EXPECT_EQ(doc->FindEntry(path)->format, "OGG");
    doc->PlayPaths({path});
    FilterGraph* graph = doc->Player().Graph();
    EXPECT_NE(dynamic_cast<COggSplitter*>(graph->FindFilter("Splitter")), nullptr);
    EXPECT_NE(dynamic_cast<CVorbisDec*>(graph->FindFilter("Decoder")), nullptr);
    EXPECT_NE(graph->FindFilter(media::kAudioRendererName), nullptr);
    ASSERT_TRUE(WaitForPreviewEnd());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(StatusOf(path), FileStatus::Idle);
}

TEST_F(PreviewDoc, FailuresShowTheirMessages) {
    // The file went away after it was listed: the start fails, the list is not advanced.
    const std::string gone = Listed("gone.wav");
    fs::remove(gone);
    doc->PlayPaths({gone});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Could not play " + gone + ".\nAn unexpected error occured.");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(doc->PlayIndex(), 0);

    // A device that refuses: an error event, and the entry stays Playing until Stop.
    auto device = std::make_shared<ScriptedDevice>();
    device->refuse = true;
    media::CAudioRenderer::Options options;
    options.output = [device] { return std::make_unique<ScriptedOutput>(device); };
    media::RegisterAudioRenderer(FilterRegistry::Default(), options);
    const std::string a = Listed("a.wav", FileStatus::Converted);
    doc->PlayPaths({a});
    ASSERT_TRUE(PumpUntil([&] { return host.messages.size() == 2; }));
    EXPECT_EQ(host.messages[1].text, "An error occured while playing.");
    EXPECT_EQ(StatusOf(a), FileStatus::Playing);
    EXPECT_EQ(doc->PlayIndex(), 0);
    doc->OnStopCommand();
    EXPECT_EQ(StatusOf(a), FileStatus::Converted);
}

TEST_F(PreviewDoc, PreviewsWhileAnotherFileConverts) {
    SettingsStore().EnsureDefaults();
    SettingsStore().WriteFormat(203);
    const std::string converting = Listed("long.wav", FileStatus::Idle, 3.0);
    const std::string previewed = Listed("short.wav");
    doc->CheckEntry(converting);
    doc->StartOrContinueRun();
    doc->PlayPaths({previewed});
    ASSERT_TRUE(WaitForPreviewEnd());
    ASSERT_TRUE(PumpUntil([&] { return !doc->IsRunActive(); }, 60000));
    EXPECT_EQ(StatusOf(converting), FileStatus::Converted);
    EXPECT_EQ(StatusOf(previewed), FileStatus::Idle);
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace tarnel::test
