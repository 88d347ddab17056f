// The ASF writer: the encode session on its own, the layout reader and index, and the "ASF Mux"
// filter in a graph. What it writes is checked by FFmpeg's own demuxer and decoder.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/asf/AsfEncodeSession.h"
#include "platform/media/asf/AsfFileLayout.h"
#include "platform/media/asf/CAsfWriter.h"
#include "platform/media/wmruntime/CWMProfile.h"
#include "platform/media/wmruntime/CWMProfileManager.h"
#include "tests/platform/asf/AsfTestKit.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

using media::AsfEncodeSession;
using media::AsfStreamSettings;
using media::PcmFormat;

std::vector<uint8_t> ToPcm16(const test::PcmAudio& audio) {
    std::vector<uint8_t> bytes;
    for (double v : audio.samples) {
        const auto s = int16_t(std::lround(std::clamp(v * 32768.0, -32768.0, 32767.0)));
        bytes.push_back(uint8_t(s));
        bytes.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return bytes;
}

PcmFormat Pcm16(uint32_t rate, uint16_t channels) {
    return PcmFormat{rate, channels, 16, false, 0};
}

AsfStreamSettings Wma2(uint32_t bitrate = 128000, uint32_t rate = 44100, uint16_t channels = 2) {
    AsfStreamSettings s;
    s.formatTag = 0x0161;
    s.sampleRate = rate;
    s.channels = channels;
    s.bitrate = bitrate;
    s.language = "en-US";
    return s;
}

std::optional<media::AsfFileLayout> LayoutOf(const std::filesystem::path& path) {
    const auto bytes = test::ReadFileBytes(path);
    SpanByteSource source(bytes);
    return media::ReadAsfLayout(source);
}

class AsfWriterTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
    }

    // Writes the audio in pieces of odd sizes, as samples arrive in a graph.
    void Encode(const std::filesystem::path& path, const test::PcmAudio& audio,
                const AsfStreamSettings& stream, bool index) {
        std::unique_ptr<AsfEncodeSession> session;
        const PcmFormat input = Pcm16(uint32_t(audio.sampleRate), uint16_t(audio.channels));
        ASSERT_EQ(AsfEncodeSession::Open(path, stream, input, &session), S_OK);
        const auto pcm = ToPcm16(audio);
        const size_t block = input.BlockAlign();
        size_t at = 0;
        for (size_t piece = 997; at < pcm.size(); piece = piece * 7 % 9973 + 211) {
            const size_t bytes = std::min(piece * block, pcm.size() - at);
            ASSERT_EQ(session->Write(std::span(pcm).subspan(at, bytes)), S_OK);
            at += bytes;
        }
        EXPECT_EQ(session->InputFrames(), audio.frames());
        ASSERT_EQ(session->Finish(index), S_OK);
        EXPECT_EQ(session->Write(std::span(pcm).first(block)), E_UNEXPECTED);
    }
};

TEST_F(AsfWriterTest, ASineKeepsItsLengthLevelAndPitchThroughWma) {
    const auto path = workDir() / "sine.wma";
    const auto sine = test::MakeSine(44100, 2, 3.0, 1000, 0.5);
    Encode(path, sine, Wma2(), false);
    const auto decoded = test::DecodeWithFfmpeg(path);
    EXPECT_EQ(decoded.codecName, "wmav2");
    EXPECT_EQ(decoded.codecTag, 0x0161u);
    EXPECT_EQ(decoded.audio.sampleRate, 44100);
    EXPECT_EQ(decoded.audio.channels, 2);
    EXPECT_NEAR(decoded.containerSeconds, 3.0, 0.1);
    EXPECT_NEAR(decoded.audio.seconds(), 3.0, 0.1);
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(test::RmsDb(decoded.audio, c, 8192), test::RmsDb(sine, c), 1.0);
        EXPECT_NEAR(test::EstimateFrequency(decoded.audio, c, 8192), 1000.0, 5.0);
    }
    const auto layout = LayoutOf(path);
    ASSERT_TRUE(layout.has_value());
    EXPECT_FALSE(layout->hasSimpleIndex);
    EXPECT_EQ(layout->fileSize, std::filesystem::file_size(path));
}

TEST_F(AsfWriterTest, RateChannelsAndSampleSizeAreConvertedToTheStreamsFormat) {
    const auto path = workDir() / "converted.wma";
    const auto sine = test::MakeSine(22050, 1, 2.0, 440, 0.5);
    std::unique_ptr<AsfEncodeSession> session;
    // 8-bit unsigned mono at 22050 Hz into a 48 kHz stereo stream.
    ASSERT_EQ(AsfEncodeSession::Open(path, Wma2(128000, 48000, 2), PcmFormat{22050, 1, 8, false, 0},
                                     &session),
              S_OK);
    std::vector<uint8_t> pcm8;
    for (double v : sine.samples) pcm8.push_back(uint8_t(std::lround(128 + v * 127)));
    ASSERT_EQ(session->Write(pcm8), S_OK);
    ASSERT_EQ(session->Finish(true), S_OK);
    const auto decoded = test::DecodeWithFfmpeg(path);
    EXPECT_EQ(decoded.audio.sampleRate, 48000);
    EXPECT_EQ(decoded.audio.channels, 2);
    EXPECT_NEAR(decoded.audio.seconds(), 2.0, 0.1);
    EXPECT_NEAR(test::RmsDb(decoded.audio, 1, 8192), test::RmsDb(sine, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(decoded.audio, 0, 8192), 440.0, 3.0);
}

TEST_F(AsfWriterTest, TheIndexHasAnEntryPerSecondAndFfmpegSeeksWithIt) {
    const auto path = workDir() / "indexed.wma";
    const auto sine = test::MakeSine(44100, 2, 12.5, 500, 0.3);
    Encode(path, sine, Wma2(64000), true);
    const auto layout = LayoutOf(path);
    ASSERT_TRUE(layout.has_value());
    ASSERT_TRUE(layout->hasSimpleIndex);
    EXPECT_EQ(layout->fileSize, std::filesystem::file_size(path)) << "header names the new size";
    const auto bytes = test::ReadFileBytes(path);
    const size_t at = size_t(layout->simpleIndexOffset);
    const uint32_t entries = ReadLe32(&bytes[at + 52]);
    EXPECT_EQ(entries, layout->playDuration / media::kAsfIndexInterval + 1);
    uint32_t previous = 0;
    for (uint32_t e = 0; e < entries; ++e) {
        const uint32_t packet = ReadLe32(&bytes[at + 56 + e * 6]);
        EXPECT_GE(packet, previous);
        EXPECT_LT(packet, layout->packetCount);
        previous = packet;
    }
    EXPECT_GT(previous, 0u);
    EXPECT_EQ(media::AppendAsfSimpleIndex(path), S_FALSE) << "never indexed twice";
    const double landed = test::FfmpegSeekLandsAt(path, 8.0);
    EXPECT_GT(landed, 6.0);
    EXPECT_LE(landed, 8.1);
    EXPECT_NEAR(test::DecodeWithFfmpeg(path).audio.seconds(), 12.5, 0.1);
}

TEST_F(AsfWriterTest, RefusalsAndWriteFailures) {
    std::unique_ptr<AsfEncodeSession> session;
    const auto path = workDir() / "x.wma";
    AsfStreamSettings pcmStream = Wma2();
    pcmStream.formatTag = 0x0001;
    EXPECT_EQ(AsfEncodeSession::Open(path, pcmStream, Pcm16(44100, 2), &session),
              VFW_E_UNSUPPORTED_AUDIO);
    EXPECT_EQ(AsfEncodeSession::Open(path, Wma2(128000, 96000), Pcm16(44100, 2), &session),
              VFW_E_UNSUPPORTED_AUDIO);
    EXPECT_EQ(AsfEncodeSession::Open(path, Wma2(), PcmFormat{44100, 2, 12, false, 0}, &session),
              E_INVALIDARG);
    EXPECT_EQ(
        AsfEncodeSession::Open(workDir() / "missing" / "x.wma", Wma2(), Pcm16(44100, 2), &session),
        HRESULT_FROM_WIN32_FILE_NOT_FOUND);
    EXPECT_EQ(session, nullptr);
    if (std::filesystem::exists("/dev/full")) {
        const HRESULT hr = AsfEncodeSession::Open("/dev/full", Wma2(), Pcm16(44100, 2), &session);
        if (SUCCEEDED(hr)) {  // the header may still sit in the buffer
            const auto pcm = ToPcm16(test::MakeSine(44100, 2, 2.0, 440, 0.5));
            HRESULT write = session->Write(pcm);
            if (SUCCEEDED(write)) write = session->Finish(false);
            EXPECT_EQ(write, HRESULT_FROM_WIN32_DISK_FULL);
        } else {
            EXPECT_EQ(hr, HRESULT_FROM_WIN32_DISK_FULL);
        }
    }
}

TEST_F(AsfWriterTest, LayoutReadingRefusesDamagedFiles) {
    const auto path = workDir() / "good.wma";
    Encode(path, test::MakeSine(44100, 1, 1.0, 440, 0.5), Wma2(48000, 44100, 1), false);
    const auto bytes = test::ReadFileBytes(path);
    {
        SpanByteSource whole(bytes);
        ASSERT_TRUE(media::ReadAsfLayout(whole).has_value());
    }
    for (size_t cut : {size_t(0), size_t(20), size_t(100), size_t(400), bytes.size() - 100}) {
        SpanByteSource truncated(std::span<const uint8_t>(bytes).first(cut));
        EXPECT_FALSE(media::ReadAsfLayout(truncated).has_value()) << cut;
    }
    auto absurd = bytes;
    for (int i = 16; i < 24; ++i) absurd[size_t(i)] = 0xFF;  // header object size
    SpanByteSource huge(absurd);
    EXPECT_FALSE(media::ReadAsfLayout(huge).has_value());
    auto zero = bytes;
    for (int i = 30 + 16; i < 30 + 24; ++i) zero[size_t(i)] = 0;  // first child object size
    SpanByteSource empty(zero);
    EXPECT_FALSE(media::ReadAsfLayout(empty).has_value());

    test::WriteFileBytes(workDir() / "cut.wma", std::vector(bytes.begin(), bytes.end() - 700));
    EXPECT_EQ(media::AppendAsfSimpleIndex(workDir() / "cut.wma"), VFW_E_INVALID_FILE_FORMAT);

    EXPECT_FALSE(media::AsfPacketSendTime({}).has_value());
    const std::vector<uint8_t> shortPacket{0x82, 0, 0, 0x01};
    EXPECT_FALSE(media::AsfPacketSendTime(shortPacket).has_value());
}

// ---- the filter ----

std::shared_ptr<IWMProfile> ProfileFor(uint16_t tag, uint32_t bitrate, uint32_t rate,
                                       uint16_t channels, int streams = 1, bool vbr = false) {
    auto profile = std::make_shared<media::CWMProfile>(WMT_VER_9_0);
    for (int i = 1; i <= streams; ++i) {
        std::shared_ptr<IWMStreamConfig> config;
        profile->CreateNewStream(WMMEDIATYPE_Audio, &config);
        WAVEFORMATEX wfx;
        wfx.wFormatTag = tag;
        wfx.nChannels = channels;
        wfx.nSamplesPerSec = rate;
        wfx.nAvgBytesPerSec = bitrate / 8;
        wfx.nBlockAlign = 743;
        wfx.wBitsPerSample = 16;
        const CMediaType type = MakeAudioMediaType(wfx);
        Query<IWMMediaProps>(config.get())->SetMediaType(&type);
        config->SetBitrate(bitrate);
        config->SetStreamNumber(uint16_t(i));
        Query<IWMPropertyVault>(config.get())
            ->SetProperty("_VBRENABLED", WMT_TYPE_BOOL, WmDword(vbr ? 1 : 0));
        profile->AddStream(config.get());
    }
    return profile;
}

TEST_F(AsfWriterTest, ConfigurationRefusesProfilesItCannotWrite) {
    media::CAsfWriter writer;
    CMediaType pcm = MakeAudioMediaType(MakePcmFormat(2, 44100, 16));
    EXPECT_EQ(writer.GetPin(0)->QueryAccept(&pcm), S_FALSE) << "no profile yet";
    EXPECT_EQ(writer.ConfigureFilterUsingProfile(nullptr), E_POINTER);
    EXPECT_EQ(writer.ConfigureFilterUsingProfile(ProfileFor(0x0161, 128000, 44100, 2, 0).get()),
              E_INVALIDARG);
    EXPECT_EQ(writer.ConfigureFilterUsingProfile(ProfileFor(0x0161, 128000, 44100, 2, 2).get()),
              E_INVALIDARG);
    EXPECT_EQ(
        writer.ConfigureFilterUsingProfile(ProfileFor(0x0161, 128000, 44100, 2, 1, true).get()),
        NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(writer.ConfigureFilterUsingProfile(ProfileFor(0x0162, 128000, 44100, 2).get()),
              VFW_E_UNSUPPORTED_AUDIO);
    EXPECT_EQ(writer.ConfigureFilterUsingProfile(ProfileFor(0x0161, 2000, 44100, 2).get()),
              VFW_E_UNSUPPORTED_AUDIO);
    EXPECT_FALSE(writer.Stream().has_value());

    ASSERT_EQ(writer.ConfigureFilterUsingProfile(ProfileFor(0x0160, 64000, 22050, 1).get()), S_OK);
    ASSERT_TRUE(writer.Stream().has_value());
    EXPECT_EQ(writer.Stream()->formatTag, 0x0160);
    EXPECT_EQ(writer.Stream()->bitrate, 64000u);
    EXPECT_EQ(writer.GetPin(0)->QueryAccept(&pcm), S_OK);
    CMediaType mp3(MEDIATYPE_Audio, MEDIASUBTYPE_MP3);
    EXPECT_EQ(writer.GetPin(0)->QueryAccept(&mp3), S_FALSE);
    EXPECT_EQ(writer.SetFileName("", nullptr), E_INVALIDARG);
}

TEST_F(AsfWriterTest, AGraphWritesTheFileBeforeCompletionAndReportsItsPosition) {
    FilterRegistry registry;
    RegisterSystemFilters(registry);
    const auto source = workDir() / "tone.wav";
    const auto sine = test::MakeSine(32000, 2, 4.0, 750, 0.5);
    test::WriteWav(source, sine);
    const auto output = workDir() / "graph.wma";
    for (bool index : {true, false}) {
        FilterGraph graph(registry);
        IBaseFilter* wav = nullptr;
        ASSERT_EQ(graph.AddSourceFilter(source, "Music Source", &wav), S_OK);
        auto writer = std::make_shared<media::CAsfWriter>();
        ASSERT_EQ(writer->SetFileName(output, nullptr), S_OK);
        ASSERT_EQ(writer->SetIndexMode(index), S_OK);
        ASSERT_EQ(writer->ConfigureFilterUsingProfile(ProfileFor(0x0161, 96000, 44100, 2).get()),
                  S_OK);
        ASSERT_GE(graph.AddFilter(writer, "ASF Mux"), 0);
        std::vector<IPin*> pins;
        wav->EnumPins(&pins);
        ASSERT_EQ(graph.Connect(pins[0], writer->GetPin(0)), S_OK);
        graph.SetSyncSource(nullptr);
        ASSERT_GE(graph.Run(), 0);
        int32_t code = 0;
        ASSERT_EQ(graph.WaitForCompletion(30000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        // Complete before EC_COMPLETE: the file is whole while the graph still runs.
        const auto layout = LayoutOf(output);
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(layout->hasSimpleIndex, index);
        int64_t position = 0;
        EXPECT_EQ(writer->GetCurrentPosition(&position), S_OK);
        EXPECT_EQ(position, 40'000'000);
        int64_t duration = 0;
        EXPECT_EQ(writer->GetDuration(&duration), S_OK);
        EXPECT_EQ(duration, 40'000'000);
        graph.Stop();
        const auto decoded = test::DecodeWithFfmpeg(output);
        EXPECT_EQ(decoded.audio.sampleRate, 44100);
        EXPECT_NEAR(decoded.audio.seconds(), 4.0, 0.1);
        EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 8192), test::RmsDb(sine, 0), 1.0);
    }
}

TEST_F(AsfWriterTest, AStopBeforeTheEndStillLeavesAPlayableFile) {
    FilterRegistry registry;
    RegisterSystemFilters(registry);
    const auto source = workDir() / "long.wav";
    test::WriteWav(source, test::MakeSine(44100, 2, 30.0, 440, 0.5));
    const auto output = workDir() / "stopped.wma";
    FilterGraph graph(registry);
    IBaseFilter* wav = nullptr;
    ASSERT_EQ(graph.AddSourceFilter(source, "Music Source", &wav), S_OK);
    auto writer = std::make_shared<media::CAsfWriter>();
    writer->SetFileName(output, nullptr);
    ASSERT_EQ(writer->ConfigureFilterUsingProfile(ProfileFor(0x0161, 128000, 44100, 2).get()),
              S_OK);
    graph.AddFilter(writer, "ASF Mux");
    std::vector<IPin*> pins;
    wav->EnumPins(&pins);
    ASSERT_EQ(graph.Connect(pins[0], writer->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    ASSERT_GE(graph.Run(), 0);
    ASSERT_EQ(graph.Stop(), S_OK);  // at once, wherever the stream is
    const auto layout = LayoutOf(output);
    ASSERT_TRUE(layout.has_value());
    EXPECT_LE(test::DecodeWithFfmpeg(output).audio.seconds(), 30.1);
}

}  // namespace
}  // namespace tarnel
