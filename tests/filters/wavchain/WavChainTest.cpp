// The wave filters in a real graph: a WAV file through "8-16 Converter", the PCM converter,
// "TS Fixer" and "WAVE Writer" into the File Writer, read back by the test's own WAV reader.

#include <gtest/gtest.h>

#include "filters/samplesizeconverter/SampleSizeConverter.h"
#include "filters/timestampcorrector/AudioTimeStampCorrector.h"
#include "filters/wavdest/CWavDestFilter.h"
#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

IPin* FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<IPin*> pins;
    if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
    for (IPin* pin : pins) {
        PIN_DIRECTION d;
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction &&
            FAILED(pin->ConnectedTo(&peer))) {
            return pin;
        }
    }
    return nullptr;
}

class WavChain : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry);
        graph = std::make_unique<FilterGraph>(registry);
    }
    void TearDown() override {
        graph.reset();
        IsolatedTest::TearDown();
    }

    HRESULT Connect(IBaseFilter* up, IBaseFilter* down) {
        IPin* out = FirstFreePin(up, PINDIR_OUTPUT);
        IPin* in = FirstFreePin(down, PINDIR_INPUT);
        if (!out || !in) return E_FAIL;
        return graph->Connect(out, in);
    }

    // Builds the WAV export graph for a WAV source and runs it to completion.
    void Convert(const std::filesystem::path& source, const std::filesystem::path& target,
                 const WAVEFORMATEX& targetFormat) {
        IBaseFilter* music = nullptr;
        ASSERT_EQ(graph->AddSourceFilter(source, "Music Source", &music), S_OK);
        auto widener = std::make_shared<SampleSizeConverter>();
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(widener, "8-16 Converter")));
        ASSERT_EQ(Connect(music, widener.get()), S_OK);

        std::shared_ptr<IBaseFilter> converter;
        ASSERT_EQ(registry.CreateInstance(CLSID_ACMWrapper, &converter), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(converter, "Samp Rate Conveter")));
        ASSERT_EQ(Connect(widener.get(), converter.get()), S_OK);
        auto* config = Query<IAMStreamConfig>(FirstFreePin(converter.get(), PINDIR_OUTPUT));
        ASSERT_NE(config, nullptr);
        CMediaType type;
        ASSERT_EQ(config->GetFormat(&type), S_OK);
        type.SetFormat(SerializeWaveFormat(targetFormat));
        ASSERT_EQ(config->SetFormat(&type), S_OK);

        tsFixer = std::make_shared<AudioTimeStampCorrector>();
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(tsFixer, "TS Fixer")));
        ASSERT_EQ(Connect(converter.get(), tsFixer.get()), S_OK);
        writer = std::make_shared<CWavDestFilter>();
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(writer, "WAVE Writer")));
        ASSERT_EQ(Connect(tsFixer.get(), writer.get()), S_OK);

        std::shared_ptr<IBaseFilter> fileWriter;
        ASSERT_EQ(registry.CreateInstance(CLSID_FileWriter, &fileWriter), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(fileWriter, "File Writer")));
        ASSERT_EQ(Query<IFileSinkFilter>(fileWriter.get())->SetFileName(target, nullptr), S_OK);
        ASSERT_EQ(Connect(writer.get(), fileWriter.get()), S_OK);

        ASSERT_EQ(graph->SetSyncSource(nullptr), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->Run()));
        int32_t code = 0;
        ASSERT_EQ(graph->WaitForCompletion(20000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        ASSERT_EQ(Query<IMediaSeeking>(static_cast<IBaseFilter*>(writer.get()))
                      ->GetCurrentPosition(&finalPosition),
                  S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->Stop()));
    }

    FilterRegistry registry;
    std::unique_ptr<FilterGraph> graph;
    std::shared_ptr<AudioTimeStampCorrector> tsFixer;
    std::shared_ptr<CWavDestFilter> writer;
    int64_t finalPosition = -1;
};

TEST_F(WavChain, EightBitMonoBecomesSixteenBitStereo) {
    const auto source = workDir() / "low.wav";
    const auto target = workDir() / "out.wav";
    const auto audio = test::MakeSine(22050, 1, 1.5, 441.0, 0.5, 8);
    test::WriteWav(source, audio);

    Convert(source, target, MakePcmFormat(2, 44100, 16));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_NE(graph->FindFilter("8-16 Converter"), nullptr);

    const auto read = test::ReadWav(target);
    EXPECT_EQ(read.formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(read.audio.bitsPerSample, 16);
    EXPECT_EQ(read.audio.channels, 2);
    EXPECT_EQ(read.audio.sampleRate, 44100);
    EXPECT_EQ(read.riffSize, std::filesystem::file_size(target) - 8);
    EXPECT_EQ(read.dataSize, std::filesystem::file_size(target) - 46);
    EXPECT_NEAR(read.audio.seconds(), 1.5, 0.01);
    EXPECT_NEAR(test::RmsDb(read.audio, 0, 2000), test::RmsDb(audio, 0, 1000), 0.3);
    EXPECT_NEAR(test::RmsDb(read.audio, 1, 2000), test::RmsDb(audio, 0, 1000), 0.3);
    EXPECT_NEAR(test::EstimateFrequency(read.audio, 1, 2000), 441.0, 2.0);
    // Progress ends at the written duration.
    EXPECT_NEAR(finalPosition / 1e7, read.audio.seconds(), 0.01);
}

TEST_F(WavChain, SixteenBitWithTheSameFormatIsWrittenUnchanged) {
    const auto source = workDir() / "cd.wav";
    const auto target = workDir() / "copy.wav";
    const auto audio = test::MakeSine(44100, 2, 2.0, 1000.0, 0.7);
    test::WriteWav(source, audio);

    Convert(source, target, MakePcmFormat(2, 44100, 16));
    ASSERT_FALSE(HasFatalFailure());
    const auto in = test::ReadFileBytes(source);
    const auto out = test::ReadFileBytes(target);
    ASSERT_EQ(out.size(), 46 + (in.size() - 44));
    EXPECT_TRUE(std::equal(in.begin() + 44, in.end(), out.begin() + 46));
    EXPECT_EQ(finalPosition, 2 * 10'000'000);

    // Running the same graph again restarts the writer's counters: whatever the source
    // delivers now (nothing unless it was seeked back), the header describes exactly the file.
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    int32_t code = 0;
    ASSERT_EQ(graph->WaitForCompletion(20000, &code), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph->Stop()));
    const auto again = test::ReadWav(target);
    EXPECT_EQ(again.riffSize, std::filesystem::file_size(target) - 8);
    EXPECT_EQ(again.dataSize, std::filesystem::file_size(target) - 46);
}

}  // namespace
}  // namespace tarnel
