// The document over the real engine: probing, graph building, running, the queued completion,
// delivery and cancelling with real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/CvemoraDoc.h"
#include "filters/mp3enc/CMP3EncFilter.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/asf/WmaFilterRegistration.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "platform/media/mpeg/MpegSplitterRegistration.h"
#include "settings/SettingsStore.h"
#include "tests/app/DocRecorders.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

void RegisterFiltersOnce() {
    static const bool done = [] {
        FilterRegistry& registry = FilterRegistry::Default();
        RegisterSystemFilters(registry);
        media::RegisterAudioCompressors(registry);
        RegisterMpegFilters(registry);
        RegisterWmaFilters(registry);
        RegisterOggSplitter(registry);
        RegisterVorbisDecoder(registry);
        RegisterVorbisEncoder(registry);
        RegisterOggMux(registry);
        FilterRegistration mp3;
        mp3.clsid = CLSID_MP3EncFilter;
        mp3.name = "MP3 Encoder";
        mp3.merit = MERIT_DO_NOT_USE;
        mp3.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<CMP3EncFilter>()); };
        registry.Register(std::move(mp3));
        return true;
    }();
    (void)done;
}

class DocEngine : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterFiltersOnce();
        SettingsStore().EnsureDefaults();
        SettingsStore().WriteFormat(203);
        doc = std::make_unique<CvemoraDoc>(host);
        doc->AttachFrame(&frame);
        doc->AddView(&view);
    }
    void TearDown() override {
        doc.reset();
        IsolatedTest::TearDown();
    }

    std::string Wav(const std::string& name, double seconds, int rate = 44100, int channels = 2) {
        const std::string path = (workDir() / name).string();
        WriteWav(path, MakeSine(rate, channels, seconds, 440.0, 0.5));
        return path;
    }
    void AddAndTick(const std::string& path) {
        ASSERT_TRUE(doc->AddFile(path, FileStatus::Idle)) << path;
        doc->CheckEntry(path);
    }
    bool WaitForRunEnd(int timeoutMs = 60000) {
        return PumpUntil(
            [&] {
                return !frame.progress.empty() && frame.progress.back() == std::pair{0, 0} &&
                       !doc->IsRunActive();
            },
            timeoutMs);
    }
    std::string Out(const std::string& name) const { return (workDir() / name).string(); }

    RecordingHost host;
    RecordingFrame frame;
    RecordingView view;
    std::unique_ptr<CvemoraDoc> doc;
};

TEST_F(DocEngine, ProbesTheRealFile) {
    const std::string a = Wav("a.mp3", 1.25);  // a WAV file under an MP3 name
    ASSERT_TRUE(doc->AddFile(a, FileStatus::Idle));
    EXPECT_EQ(doc->Entries()[0]->format, "WAV");
    EXPECT_NEAR(doc->Entries()[0]->duration, 1.25, 0.01);
}

TEST_F(DocEngine, WavToWavInTheStoredFormat) {
    WavSettings wav;
    wav.sampleRate = 22050;
    wav.channels = 1;
    wav.bitsPerSample = 16;
    SettingsStore().WriteWavSettings(wav);
    const std::string a = Wav("a.wav", 2.0);
    AddAndTick(a);
    doc->StartOrContinueRun();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Converted);
    EXPECT_TRUE(host.messages.empty());
    const WavInfo out = ReadWav(Out("a-wav-conv.wav"));
    EXPECT_EQ(out.audio.sampleRate, 22050);
    EXPECT_EQ(out.audio.channels, 1);
    EXPECT_NEAR(out.audio.seconds(), 2.0, 0.02);
    EXPECT_NEAR(EstimateFrequency(out.audio, 0, 500), 440.0, 2.0);
    EXPECT_FALSE(fs::exists(doc->TempPath()));
    EXPECT_EQ(frame.progress.front(), (std::pair<int, int>{1, 1}));
}

TEST_F(DocEngine, Mp3ExportHoldsOnlyTheMpegStream) {
    SettingsStore().WriteFormat(201);
    const std::string a = Wav("a.wav", 1.0);
    AddAndTick(a);
    doc->StartOrContinueRun();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(doc->FindEntry(a)->status, FileStatus::Converted) << view.LogTexts().size();
    const auto bytes = ReadFileBytes(Out("a-wav-conv.mp3"));
    ASSERT_GE(bytes.size(), 4u);
    // No RIFF header: the file starts with an MPEG frame header.
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1] & 0xE0, 0xE0);
}

TEST_F(DocEngine, WmaExportAndBackToWav) {
    SettingsStore().WriteFormat(200);
    const std::string a = Wav("a.wav", 1.0);
    AddAndTick(a);
    doc->StartOrContinueRun();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(doc->FindEntry(a)->status, FileStatus::Converted) << view.LogTexts().size();
    const std::string wma = Out("a-wav-conv.wma");
    ASSERT_TRUE(fs::exists(wma));

    // The WMA output is listed as WMA and converts back to WAV of the same length.
    SettingsStore().WriteFormat(203);
    ASSERT_TRUE(doc->AddFile(wma, FileStatus::Idle));
    EXPECT_EQ(doc->FindEntry(wma)->format, "WMA");
    EXPECT_NEAR(doc->FindEntry(wma)->duration, 1.0, 0.1);
    doc->UncheckEntry(a);
    doc->CheckEntry(wma);
    frame.progress.clear();
    doc->StartOrContinueRun();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(doc->FindEntry(wma)->status, FileStatus::Converted);
    const WavInfo back = ReadWav(Out("a-wav-conv-wma-conv.wav"));
    EXPECT_NEAR(back.audio.seconds(), 1.0, 0.1);
    EXPECT_NEAR(EstimateFrequency(back.audio, 0, 4000), 440.0, 5.0);
}

TEST_F(DocEngine, MissingSourceFailsToBuildAndTheNextFileConverts) {
    const std::string gone = Wav("gone.wav", 0.5);
    const std::string b = Wav("b.wav", 0.5);
    AddAndTick(gone);
    AddAndTick(b);
    fs::remove(gone);
    view.Clear();
    doc->StartOrContinueRun();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(doc->FindEntry(gone)->status, FileStatus::Error);
    EXPECT_EQ(doc->FindEntry(b)->status, FileStatus::Converted);
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log[0].errorNumber, 27866);
    EXPECT_NE(view.log[0].text.find(gone), std::string::npos);
    EXPECT_TRUE(fs::exists(Out("b-wav-conv.wav")));
    EXPECT_EQ(frame.progress.front(), (std::pair<int, int>{1, 2}));
}

TEST_F(DocEngine, CancelStopsTheGraphAndRemovesTheTemporaryFile) {
    WavSettings wav;
    wav.sampleRate = 48000;
    SettingsStore().WriteWavSettings(wav);
    const std::string a = Wav("long.wav", 120.0, 44100, 2);
    AddAndTick(a);
    doc->StartOrContinueRun();
    ASSERT_TRUE(doc->IsRunActive());
    const std::string temp = doc->TempPath();
    doc->CancelRun();
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
    EXPECT_EQ(view.LogTexts().back(), "File conversion cancelled!");
    ASSERT_TRUE(PumpUntil([&] {
        return !frame.progress.empty() && frame.progress.back() == std::pair{0, 0};
    }));
    // Nothing arrives later from the stopped graph.
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(doc->FindEntry(a)->status, FileStatus::Idle);
    EXPECT_FALSE(fs::exists(Out("long-wav-conv.wav")));
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace tarnel::test
