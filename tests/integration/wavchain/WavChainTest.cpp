// Source file -> "Music Source" -> (Wave Parser) -> "8-16 Converter" -> "Samp Rate Conveter"
// set to the target -> "TS Fixer" -> "WAVE Writer" -> "File Writer", run unpaced to the end;
// the written file is then read back with the independent WAV reader.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "filters/samplesizeconverter/SampleSizeConverter.h"
#include "filters/timestampcorrector/AudioTimeStampCorrector.h"
#include "filters/wavdest/CWavDestFilter.h"
#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

struct Target {
    int rate, channels, bits;
};

class WavChainTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        test::IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry_);
    }

    static IPin* FirstFree(IBaseFilter* filter, PIN_DIRECTION direction) {
        std::vector<IPin*> pins;
        filter->EnumPins(&pins);
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
    HRESULT ConnectFilters(IBaseFilter* up, IBaseFilter* down) {
        IPin* out = FirstFree(up, PINDIR_OUTPUT);
        IPin* in = FirstFree(down, PINDIR_INPUT);
        if (!out || !in) return E_FAIL;
        return graph_->Connect(out, in);
    }
    IBaseFilter* AddOwn(std::shared_ptr<IBaseFilter> filter, const char* name) {
        IBaseFilter* raw = filter.get();
        EXPECT_EQ(graph_->AddFilter(std::move(filter), name), S_OK);
        return raw;
    }

    // Builds the graph for `source` into `output`; the first failing step's result.
    HRESULT Build(const std::filesystem::path& source, const std::filesystem::path& output,
                  const Target& t) {
        graph_ = std::make_unique<FilterGraph>(registry_);
        IBaseFilter* music = nullptr;
        HRESULT hr = graph_->AddSourceFilter(source, "Music Source", &music);
        if (FAILED(hr)) return hr;
        std::shared_ptr<IBaseFilter> converter;
        hr = registry_.CreateInstance(CLSID_ACMWrapper, &converter);
        if (FAILED(hr)) return hr;
        IBaseFilter* fixer = AddOwn(std::make_shared<AudioTimeStampCorrector>(), "TS Fixer");
        IBaseFilter* widen = AddOwn(std::make_shared<SampleSizeConverter>(), "8-16 Converter");
        hr = ConnectFilters(music, widen);
        if (FAILED(hr)) return hr;
        IBaseFilter* resample = AddOwn(converter, "Samp Rate Conveter");
        hr = ConnectFilters(widen, resample);
        if (FAILED(hr)) return hr;
        // The target format goes into the converter's output before it connects on.
        auto* config = Query<IAMStreamConfig>(FirstFree(resample, PINDIR_OUTPUT));
        if (!config) return E_UNEXPECTED;
        CMediaType mt;
        hr = config->GetFormat(&mt);
        if (FAILED(hr)) return hr;
        WAVEFORMATEX target =
            MakePcmFormat(uint16_t(t.channels), uint32_t(t.rate), uint16_t(t.bits));
        auto block = SerializeWaveFormat(target);
        std::copy(block.begin(), block.end(), mt.format.begin());
        setFormatResult_ = config->SetFormat(&mt);  // the engine ignores this result
        hr = ConnectFilters(resample, fixer);
        if (FAILED(hr)) return hr;
        wavDest_ = AddOwn(std::make_shared<CWavDestFilter>(), "WAVE Writer");
        hr = ConnectFilters(fixer, wavDest_);
        if (FAILED(hr)) return hr;
        std::shared_ptr<IBaseFilter> writer;
        hr = registry_.CreateInstance(CLSID_FileWriter, &writer);
        if (FAILED(hr)) return hr;
        IBaseFilter* fileWriter = AddOwn(writer, "File Writer");
        hr = Query<IFileSinkFilter>(fileWriter)->SetFileName(output, nullptr);
        if (FAILED(hr)) return hr;
        hr = ConnectFilters(wavDest_, fileWriter);
        if (FAILED(hr)) return hr;
        return graph_->SetSyncSource(nullptr);
    }

    // Runs to the first completion or abort event and stops; returns the event code.
    int32_t Run() {
        EXPECT_TRUE(SUCCEEDED(graph_->Run()));
        int32_t code = 0;
        EXPECT_EQ(graph_->WaitForCompletion(60000, &code), S_OK);
        EXPECT_EQ(graph_->Stop(), S_OK);  // the WAVE Writer writes its header here
        return code;
    }

    FilterRegistry registry_;
    std::unique_ptr<FilterGraph> graph_;
    IBaseFilter* wavDest_ = nullptr;
    HRESULT setFormatResult_ = E_UNEXPECTED;  // until Build sets the format
};

struct ChainCase {
    test::PcmAudio (*make)();
    Target target;
    const char* name;
};

test::PcmAudio Mono8At22050() {
    return test::MakeSine(22050, 1, 3.0, 1000, 0.5, 8);
}
test::PcmAudio Stereo16At48000() {
    return test::MakeSine(48000, 2, 3.0, 1000, 0.5, 16);
}
test::PcmAudio Mono16At44100() {
    return test::MakeSine(44100, 1, 3.0, 1000, 0.5, 16);
}
test::PcmAudio Stereo16At44100() {
    return test::MakeSine(44100, 2, 3.0, 1000, 0.5, 16);
}
test::PcmAudio Stereo24At96000() {
    return test::MakeSine(96000, 2, 3.0, 1000, 0.5, 24);
}
test::PcmAudio StereoFloatAt44100() {
    auto a = test::MakeSine(44100, 2, 3.0, 1000, 0.5, 32);
    a.isFloat = true;
    return a;
}

class WavChainSignalTest : public WavChainTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(WavChainSignalTest, WritesTheTargetFormatAndKeepsTheSignal) {
    const ChainCase c = GetParam();
    const test::PcmAudio input = c.make();
    test::WriteWav(workDir() / "in.wav", input);
    const auto output = workDir() / "out.wav";
    ASSERT_EQ(Build(workDir() / "in.wav", output, c.target), S_OK);
    ASSERT_EQ(Run(), EC_COMPLETE);

    const test::WavInfo info = test::ReadWav(output);
    const auto fileSize = std::filesystem::file_size(output);
    const int blockAlign = c.target.channels * c.target.bits / 8;
    EXPECT_EQ(info.formatTag, 1);
    EXPECT_EQ(info.audio.sampleRate, c.target.rate);
    EXPECT_EQ(info.audio.channels, c.target.channels);
    EXPECT_EQ(info.audio.bitsPerSample, c.target.bits);
    EXPECT_EQ(info.blockAlign, blockAlign);
    EXPECT_EQ(info.avgBytesPerSec, uint32_t(blockAlign * c.target.rate));
    EXPECT_EQ(info.riffSize, fileSize - 8);
    EXPECT_EQ(info.dataSize, fileSize - 46);  // 18-byte format block, no other chunk
    EXPECT_EQ(info.dataSize % blockAlign, 0u);
    EXPECT_NEAR(info.audio.seconds(), input.seconds(), 0.002);

    const size_t skip = size_t(c.target.rate / 10);
    for (int ch = 0; ch < c.target.channels; ++ch) {
        EXPECT_NEAR(test::EstimateFrequency(info.audio, ch, skip), 1000.0, 0.5) << ch;
        EXPECT_NEAR(test::RmsDb(info.audio, ch, skip), -9.03, 0.15) << ch;
    }
    // The writer's position, the engine's progress source, reached the end.
    int64_t position = 0;
    ASSERT_EQ(Query<IMediaSeeking>(wavDest_)->GetCurrentPosition(&position), S_OK);
    EXPECT_NEAR(double(position) / 1e7, input.seconds(), 0.002);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, WavChainSignalTest,
    ::testing::Values(ChainCase{Mono8At22050, {22050, 1, 16}, "8 to 16 bit"},
                      ChainCase{Stereo16At48000, {44100, 2, 16}, "48000 to 44100 Hz"},
                      ChainCase{Mono16At44100, {44100, 2, 16}, "mono to stereo"},
                      ChainCase{Stereo16At44100, {44100, 1, 16}, "stereo to mono"},
                      ChainCase{Mono8At22050, {44100, 2, 16}, "8-bit mono 22050 to CD"},
                      ChainCase{Stereo24At96000, {48000, 2, 24}, "24-bit 96000 to 48000"},
                      ChainCase{StereoFloatAt44100, {32000, 1, 8}, "float to 8-bit mono"},
                      ChainCase{Stereo16At44100, {44100, 2, 16}, "copy"}),
    [](const ::testing::TestParamInfo<ChainCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST_F(WavChainTest, CopyIsBitExact) {
    auto input = test::MakeSine(44100, 2, 2.0, 440, 0.7);
    auto bytes = test::EncodeWav(input);
    test::WriteFileBytes(workDir() / "in.wav", bytes);
    ASSERT_EQ(Build(workDir() / "in.wav", workDir() / "out.wav", {44100, 2, 16}), S_OK);
    ASSERT_EQ(Run(), EC_COMPLETE);
    auto out = test::ReadFileBytes(workDir() / "out.wav");
    ASSERT_EQ(out.size(), bytes.size() + 2);  // 18-byte format block instead of 16
    EXPECT_TRUE(std::equal(bytes.begin() + 44, bytes.end(), out.begin() + 46));
}

TEST_F(WavChainTest, EightBitMonoBecomesSixteenBitStereo) {
    const auto source = workDir() / "low.wav";
    const auto target = workDir() / "out.wav";
    const auto audio = test::MakeSine(22050, 1, 1.5, 441.0, 0.5, 8);
    test::WriteWav(source, audio);
    ASSERT_EQ(Build(source, target, {44100, 2, 16}), S_OK);
    EXPECT_EQ(setFormatResult_, S_OK);
    ASSERT_EQ(Run(), EC_COMPLETE);
    EXPECT_NE(graph_->FindFilter("8-16 Converter"), nullptr);

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
    int64_t position = -1;
    ASSERT_EQ(Query<IMediaSeeking>(wavDest_)->GetCurrentPosition(&position), S_OK);
    EXPECT_NEAR(position / 1e7, read.audio.seconds(), 0.01);
}

TEST_F(WavChainTest, SameFormatIsWrittenUnchangedAndARerunRewritesTheHeader) {
    const auto source = workDir() / "cd.wav";
    const auto target = workDir() / "copy.wav";
    test::WriteWav(source, test::MakeSine(44100, 2, 2.0, 1000.0, 0.7));
    ASSERT_EQ(Build(source, target, {44100, 2, 16}), S_OK);
    EXPECT_EQ(setFormatResult_, S_OK);
    ASSERT_EQ(Run(), EC_COMPLETE);
    const auto in = test::ReadFileBytes(source);
    const auto out = test::ReadFileBytes(target);
    ASSERT_EQ(out.size(), 46 + (in.size() - 44));
    EXPECT_TRUE(std::equal(in.begin() + 44, in.end(), out.begin() + 46));
    int64_t position = -1;
    ASSERT_EQ(Query<IMediaSeeking>(wavDest_)->GetCurrentPosition(&position), S_OK);
    EXPECT_EQ(position, 2 * 10'000'000);

    // Running the same graph again restarts the writer's counters: whatever the source
    // delivers now (nothing unless it was seeked back), the header describes exactly the file.
    ASSERT_TRUE(SUCCEEDED(graph_->Run()));
    int32_t code = 0;
    ASSERT_EQ(graph_->WaitForCompletion(20000, &code), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph_->Stop()));
    const auto again = test::ReadWav(target);
    EXPECT_EQ(again.riffSize, std::filesystem::file_size(target) - 8);
    EXPECT_EQ(again.dataSize, std::filesystem::file_size(target) - 46);
}

TEST_F(WavChainTest, BrokenSourcesFailTheBuild) {
    auto good = test::EncodeWav(test::MakeSine(8000, 1, 0.2, 440, 0.5));
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.begin() + 24),
        {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W',  'A',
         'V', 'E', 'f', 'm', 't',  ' ',  0xFF, 0xFF, 0xFF, 0x7F},
        std::vector<uint8_t>(3000, 0x5A),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        test::WriteFileBytes(workDir() / "bad.wav", bad[i]);
        EXPECT_TRUE(FAILED(Build(workDir() / "bad.wav", workDir() / "out.wav", {44100, 2, 16})))
            << i;
        graph_.reset();
    }
}

TEST_F(WavChainTest, SourceCutShortWhileConvertingEndsWithErrorAbort) {
    auto input = test::MakeSine(48000, 2, 20.0, 440, 0.5);
    test::WriteWav(workDir() / "in.wav", input);
    ASSERT_EQ(Build(workDir() / "in.wav", workDir() / "out.wav", {44100, 2, 16}), S_OK);
    // Cut the file after the graph has parsed it: reading past the new end fails.
    std::filesystem::resize_file(workDir() / "in.wav", 400000);
    ASSERT_TRUE(SUCCEEDED(graph_->Run()));
    int32_t code = 0;
    ASSERT_EQ(graph_->WaitForCompletion(60000, &code), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(graph_->Stop(), S_OK);
}

}  // namespace
}  // namespace tarnel
