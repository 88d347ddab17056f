#include "platform/media/wave/CWaveParser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "framework/WaveFormat.h"
#include "platform/media/renderer/CNullRenderer.h"
#include "tests/platform/media/MediaGraphFixture.h"
#include "tests/support/filters/CaptureSink.h"

namespace tarnel::media {
namespace {

using graphtest::MediaGraphTest;
using test::harness::CaptureSink;

class WaveParserTest : public MediaGraphTest {
protected:
    // Source + capture sink joined by intelligent connection (which inserts the parser).
    CaptureSink* BuildCapture(const std::filesystem::path& file, HRESULT* connect = nullptr) {
        IBaseFilter* source = AddSource(file);
        auto sink = std::make_shared<CaptureSink>();
        CaptureSink* raw = sink.get();
        EXPECT_TRUE(SUCCEEDED(graph_->AddFilter(sink, "Capture")));
        HRESULT hr = Connect(source, raw);
        if (connect) {
            *connect = hr;
        } else {
            EXPECT_EQ(hr, S_OK);
        }
        return raw;
    }
    CWaveParser* Parser() { return dynamic_cast<CWaveParser*>(graph_->FindFilter("Wave Parser")); }
    IMediaSeeking* ParserSeeking() {
        CWaveParser* parser = Parser();
        return parser ? Query<IMediaSeeking>(parser->OutputPin()) : nullptr;
    }
};

std::vector<uint8_t> DataChunk(const std::vector<uint8_t>& wav, size_t dataBytes) {
    return std::vector<uint8_t>(wav.end() - dataBytes, wav.end());
}

TEST_F(WaveParserTest, DeliversEveryFormatWithDurationAndContiguousTimes) {
    struct Case {
        int rate, channels, bits;
        bool isFloat, extensible;
    };
    const Case cases[] = {{44100, 2, 16, false, false}, {22050, 1, 8, false, false},
                          {48000, 2, 24, false, false}, {32000, 1, 32, true, false},
                          {96000, 2, 24, false, true},  {44100, 6, 16, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.rate << " Hz " << c.channels << " ch " << c.bits
                     << (c.isFloat ? " float" : "") << (c.extensible ? " extensible" : ""));
        graph_ = std::make_unique<FilterGraph>(registry_);
        graph_->SetSyncSource(nullptr);
        auto audio = test::MakeSine(c.rate, c.channels, 1.3, 1000, 0.5, c.bits);
        audio.isFloat = c.isFloat;
        auto wav = test::EncodeWav(audio, c.extensible);
        test::WriteFileBytes(Path("in.wav"), wav);
        CaptureSink* sink = BuildCapture(Path("in.wav"));
        ASSERT_NE(Parser(), nullptr);

        // The first offered type carries the file's own format block.
        CMediaType type;
        ASSERT_EQ(Parser()->OutputPin()->ConnectionMediaType(&type), S_OK);
        EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
        EXPECT_EQ(type.subtype, c.isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM);
        // The writer stores 16-byte PCM blocks; the offered block adds a zero cbSize.
        std::vector<uint8_t> stored(wav.begin() + 20, wav.begin() + 20 + (c.extensible ? 40 : 16));
        if (!c.extensible) stored.insert(stored.end(), {0, 0});
        EXPECT_EQ(type.format, stored) << "format block";

        int64_t duration = 0;
        ASSERT_EQ(graph_->GetDuration(&duration), S_OK);
        EXPECT_NEAR(double(duration), 13'000'000.0, 1.0);

        ASSERT_EQ(RunToEnd(), EC_COMPLETE);
        const size_t dataBytes = audio.samples.size() * (c.bits / 8);
        EXPECT_EQ(sink->Bytes(), DataChunk(wav, dataBytes));
        auto samples = sink->Samples();
        ASSERT_GE(samples.size(), 2u);
        EXPECT_TRUE(samples[0].discontinuity);
        REFERENCE_TIME expected = 0;
        const size_t blockAlign = size_t(c.channels * c.bits / 8);
        for (const auto& s : samples) {
            ASSERT_TRUE(s.Start() && s.Stop());
            EXPECT_EQ(*s.Start(), expected);
            EXPECT_EQ(s.bytes.size() % blockAlign, 0u);
            expected = *s.Stop();
        }
        EXPECT_NEAR(double(expected), 13'000'000.0, 1.0);
        EXPECT_EQ(sink->EndOfStreamCount(), 1);
    }
}

TEST_F(WaveParserTest, OffersPlainPcmBesideExtensibleStereo) {
    auto wav = test::EncodeWav(test::MakeSine(44100, 2, 0.2, 440, 0.5), true);
    test::WriteFileBytes(Path("x.wav"), wav);
    // A sink that takes only the plain 18-byte PCM form connects without a converter.
    IBaseFilter* source = AddSource(Path("x.wav"));
    auto sink = std::make_shared<CaptureSink>();
    sink->accept = [](const CMediaType& mt) {
        return mt.majortype == MEDIATYPE_Audio && mt.format.size() == 18 &&
               ReadLe16(mt.format.data()) == WAVE_FORMAT_PCM;
    };
    CaptureSink* raw = sink.get();
    ASSERT_EQ(graph_->AddFilter(sink, "Capture"), S_OK);
    ASSERT_EQ(Connect(source, raw), S_OK);
    CMediaType type;
    ASSERT_EQ(raw->Pin()->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.format, MakePcmWaveFormat(44100, 2, 16));
    EXPECT_EQ(graph_->FindFilter("ACM Wrapper"), nullptr);
}

TEST_F(WaveParserTest, ToleratesOddChunksAndPlaysWhatAnOversizedDataChunkHas) {
    auto audio = test::MakeSine(8000, 1, 0.5, 440, 0.5);
    auto wav = test::EncodeWav(audio);  // 44-byte header, data from offset 44
    const std::vector<uint8_t> pcm(wav.begin() + 44, wav.end());
    std::vector<uint8_t> file(wav.begin(), wav.begin() + 36);  // RIFF, WAVE, fmt chunk
    const uint8_t junk[] = {'J', 'U', 'N', 'K', 3, 0, 0, 0, 1, 2, 3, 0};
    file.insert(file.end(), std::begin(junk), std::end(junk));
    const uint8_t dataHeader[] = {'d', 'a', 't', 'a', 0xF0, 0xFF, 0xFF, 0x7F};
    file.insert(file.end(), std::begin(dataHeader), std::end(dataHeader));
    file.insert(file.end(), pcm.begin(), pcm.end() - 1);  // last frame cut in half
    test::WriteFileBytes(Path("odd.wav"), file);

    CaptureSink* sink = BuildCapture(Path("odd.wav"));
    int64_t duration = 0;
    ASSERT_EQ(graph_->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, (4000 - 1) * 10'000'000ll / 8000);
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(sink->Bytes(), std::vector<uint8_t>(pcm.begin(), pcm.end() - 2));
}

TEST_F(WaveParserTest, BrokenFilesFailAtConnectionQuickly) {
    auto good = test::EncodeWav(test::MakeSine(8000, 1, 0.1, 440, 0.5));
    auto zeroChannels = good;
    zeroChannels[22] = 0;
    auto hugeFmt = good;
    hugeFmt[16] = hugeFmt[17] = hugeFmt[18] = hugeFmt[19] = 0xFF;
    auto oddBits = good;
    oddBits[34] = 13;
    std::vector<uint8_t> nonsense(5000);
    for (size_t i = 0; i < nonsense.size(); ++i) nonsense[i] = uint8_t(i * 7 + 1);
    nonsense[0] = 'R', nonsense[1] = 'I', nonsense[2] = 'F', nonsense[3] = 'F';
    nonsense[8] = 'W', nonsense[9] = 'A', nonsense[10] = 'V', nonsense[11] = 'E';
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
        {"zero channels", zeroChannels},
        {"fmt claims 4 GiB", hugeFmt},
        {"13-bit PCM", oddBits},
        {"nonsense chunks", nonsense},
    };
    for (const auto& [name, bytes] : files) {
        graph_ = std::make_unique<FilterGraph>(registry_);
        test::WriteFileBytes(Path("bad.wav"), bytes);
        const auto start = std::chrono::steady_clock::now();
        HRESULT hr = S_OK;
        BuildCapture(Path("bad.wav"), &hr);
        EXPECT_TRUE(FAILED(hr)) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << name;
        EXPECT_EQ(graph_->FindFilter("Wave Parser"), nullptr) << name;
    }
}

TEST_F(WaveParserTest, ParserRefusesTheConnectionWithTheFileFormatResult) {
    test::WriteFileBytes(Path("bad.wav"), {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    IBaseFilter* source = AddSource(Path("bad.wav"));
    IBaseFilter* parser = Add(CLSID_WAVEParser, "Wave Parser");
    EXPECT_EQ(graph_->ConnectDirect(FirstPin(source, PINDIR_OUTPUT), FirstPin(parser, PINDIR_INPUT),
                                    nullptr),
              VFW_E_INVALID_FILE_FORMAT);
}

TEST_F(WaveParserTest, FileShrinkingWhilePlayingAbortsTheStream) {
    auto wav = test::EncodeWav(test::MakeSine(44100, 2, 5.0, 440, 0.5));
    test::WriteFileBytes(Path("s.wav"), wav);
    CaptureSink* sink = BuildCapture(Path("s.wav"));
    sink->Hold();
    ASSERT_TRUE(SUCCEEDED(graph_->Run()));
    ASSERT_TRUE(sink->WaitHeld(5000));
    std::filesystem::resize_file(Path("s.wav"), 100000);
    sink->Release();
    int32_t code = 0;
    ASSERT_EQ(graph_->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(graph_->Stop(), S_OK);
}

TEST_F(WaveParserTest, SeekingBeforeTheRunPlaysTheChosenStretch) {
    auto audio = test::MakeSine(8000, 2, 4.0, 440, 0.5);
    auto wav = test::EncodeWav(audio);
    test::WriteFileBytes(Path("seek.wav"), wav);
    CaptureSink* sink = BuildCapture(Path("seek.wav"));
    IMediaSeeking* seeking = ParserSeeking();
    ASSERT_NE(seeking, nullptr);
    uint32_t caps = 0;
    ASSERT_EQ(seeking->GetCapabilities(&caps), S_OK);
    EXPECT_TRUE(caps & AM_SEEKING_CanSeekAbsolute);
    int64_t start = 10'000'000, stop = 25'000'000;
    ASSERT_EQ(graph_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                   AM_SEEKING_AbsolutePositioning),
              S_OK);
    int64_t current = 0, end = 0;
    ASSERT_EQ(seeking->GetPositions(&current, &end), S_OK);
    EXPECT_EQ(current, start);
    EXPECT_EQ(end, stop);
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    const auto data = DataChunk(wav, audio.samples.size() * 2);
    EXPECT_EQ(sink->Bytes(),
              std::vector<uint8_t>(data.begin() + 8000 * 4, data.begin() + 20000 * 4));
    auto samples = sink->Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front().Start(), 0);  // times restart at the segment start

    // Other formats and rates are refused; a null pointer is an error.
    const GUID bytes = TIME_FORMAT_BYTE;
    EXPECT_EQ(seeking->SetTimeFormat(&bytes), E_INVALIDARG);
    EXPECT_EQ(seeking->IsFormatSupported(&bytes), S_FALSE);
    EXPECT_EQ(seeking->SetRate(2.0), E_INVALIDARG);
    EXPECT_EQ(seeking->GetDuration(nullptr), E_POINTER);
    EXPECT_EQ(seeking->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0),
              E_POINTER);
}

TEST_F(WaveParserTest, SeekingWhileRunningFlushesAndRestarts) {
    auto audio = test::MakeSine(8000, 1, 6.0, 440, 0.5);
    auto wav = test::EncodeWav(audio);
    test::WriteFileBytes(Path("live.wav"), wav);
    CaptureSink* sink = BuildCapture(Path("live.wav"));
    sink->Hold();
    ASSERT_TRUE(SUCCEEDED(graph_->Run()));
    ASSERT_TRUE(sink->WaitHeld(5000));
    // The first sample is still held downstream: seek to 4 s from this thread. The flush
    // frees it; the sink keeps holding, so nothing after the seek arrives before ClearSamples.
    int64_t start = 40'000'000;
    ASSERT_EQ(ParserSeeking()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_GE(sink->FlushCount(), 1);
    sink->ClearSamples();
    sink->Release();
    int32_t code = 0;
    ASSERT_EQ(graph_->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(graph_->Stop(), S_OK);
    const auto data = DataChunk(wav, audio.samples.size() * 2);
    auto samples = sink->Samples();
    ASSERT_FALSE(samples.empty());
    // What arrived after the seek is the last two seconds, from a fresh segment.
    std::vector<uint8_t> tail(data.begin() + 32000 * 2, data.end());
    auto bytes = sink->Bytes();
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - tail.size()));
}

TEST_F(WaveParserTest, StopReturnsPromptlyWhileDownstreamIsBlocked) {
    auto wav = test::EncodeWav(test::MakeSine(44100, 2, 10.0, 440, 0.5));
    test::WriteFileBytes(Path("block.wav"), wav);
    CaptureSink* sink = BuildCapture(Path("block.wav"));
    for (int run = 0; run < 2; ++run) {
        sink->Hold();
        ASSERT_TRUE(SUCCEEDED(graph_->Run()));
        ASSERT_TRUE(sink->WaitHeld(5000));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(graph_->Stop(), S_OK);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        sink->Release();
    }
    // And a run after the stops plays the whole file again.
    sink->ClearSamples();
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(sink->Bytes().size(), size_t(441000 * 4));
}

TEST_F(WaveParserTest, NullRendererMeasuresAndCompletes) {
    auto audio = test::MakeSine(11025, 1, 2.5, 440, 0.5, 8);
    test::WriteFileBytes(Path("n.wav"), test::EncodeWav(audio));
    IBaseFilter* source = AddSource(Path("n.wav"));
    IBaseFilter* renderer = Add(CLSID_NullRenderer, "Null Renderer");
    ASSERT_EQ(Connect(source, renderer), S_OK);
    int64_t duration = 0;
    ASSERT_EQ(graph_->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, (int64_t(audio.frames()) * 10'000'000 + 11025 / 2) / 11025);
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    auto* null = dynamic_cast<CNullRenderer*>(renderer);
    ASSERT_NE(null, nullptr);
    EXPECT_GE(null->InputPin()->SamplesReceived(), 5);
}

}  // namespace
}  // namespace tarnel::media
