#include "platform/media/pcm/CPcmConverter.h"

#include <gtest/gtest.h>

#include "framework/WaveFormat.h"
#include "tests/platform/media/MediaGraphFixture.h"
#include "tests/support/filters/CaptureSink.h"

namespace tarnel::media {
namespace {

using graphtest::MediaGraphTest;
using test::harness::CaptureSink;

class PcmConverterTest : public MediaGraphTest {
protected:
    // source (+ parser) -> converter set to the target -> capture sink.
    CaptureSink* Build(const std::filesystem::path& file, const std::vector<uint8_t>& target,
                       CPcmConverter** converterOut = nullptr) {
        IBaseFilter* source = AddSource(file);
        IBaseFilter* converter = Add(CLSID_ACMWrapper, "Samp Rate Conveter");
        EXPECT_EQ(Connect(source, converter), S_OK);
        auto* config = Query<IAMStreamConfig>(FirstPin(converter, PINDIR_OUTPUT));
        EXPECT_NE(config, nullptr);
        CMediaType mt;
        EXPECT_EQ(config->GetFormat(&mt), S_OK);
        mt.format = target;
        EXPECT_EQ(config->SetFormat(&mt), S_OK);
        auto sink = std::make_shared<CaptureSink>();
        CaptureSink* raw = sink.get();
        EXPECT_EQ(graph_->AddFilter(sink, "Capture"), S_OK);
        EXPECT_EQ(Connect(converter, raw), S_OK);
        if (converterOut) *converterOut = dynamic_cast<CPcmConverter*>(converter);
        return raw;
    }
};

struct SignalCase {
    int inRate, inChannels, inBits;
    bool inFloat;
    int outRate, outChannels, outBits;
};

class PcmConverterSignalTest : public PcmConverterTest,
                               public ::testing::WithParamInterface<SignalCase> {};

// A 1 kHz sine at half scale keeps its frequency, level and length through the conversion.
TEST_P(PcmConverterSignalTest, KeepsFrequencyLevelAndLength) {
    const SignalCase c = GetParam();
    auto audio = test::MakeSine(c.inRate, c.inChannels, 2.0, 1000.0, 0.5, c.inBits);
    audio.isFloat = c.inFloat;
    test::WriteWav(Path("in.wav"), audio);
    const auto target =
        MakePcmWaveFormat(uint32_t(c.outRate), uint16_t(c.outChannels), uint16_t(c.outBits));
    CaptureSink* sink = Build(Path("in.wav"), target);
    CMediaType type;
    ASSERT_EQ(sink->Pin()->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.format, target);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);

    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    auto out = DecodeRaw(sink->Bytes(), c.outRate, c.outChannels, c.outBits);
    EXPECT_NEAR(double(out.frames()), 2.0 * c.outRate, c.outRate * 0.001);
    const size_t skip = size_t(c.outRate / 10);
    for (int ch = 0; ch < c.outChannels; ++ch) {
        EXPECT_NEAR(test::EstimateFrequency(out, ch, skip), 1000.0, 0.5) << "channel " << ch;
        EXPECT_NEAR(test::RmsDb(out, ch, skip), -9.03, 0.15) << "channel " << ch;
    }
    // Output times run without gaps from 0.
    REFERENCE_TIME expected = 0;
    for (const auto& s : sink->Samples()) {
        ASSERT_TRUE(s.Start());
        EXPECT_NEAR(double(*s.Start()), double(expected), 1.0);
        expected = *s.Stop();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PcmConverterSignalTest,
                         ::testing::Values(SignalCase{44100, 1, 8, false, 44100, 1, 16},
                                           SignalCase{48000, 2, 16, false, 44100, 2, 16},
                                           SignalCase{44100, 1, 16, false, 44100, 2, 16},
                                           SignalCase{44100, 2, 16, false, 44100, 1, 16},
                                           SignalCase{48000, 2, 24, false, 22050, 1, 16},
                                           SignalCase{32000, 2, 32, true, 48000, 2, 24},
                                           SignalCase{22050, 1, 32, false, 8000, 1, 8}));

TEST_F(PcmConverterTest, SameFormatIsCopiedByteForByte) {
    auto audio = test::MakeSine(44100, 2, 1.0, 440, 0.5);
    auto wav = test::EncodeWav(audio);
    test::WriteFileBytes(Path("same.wav"), wav);
    CaptureSink* sink = Build(Path("same.wav"), MakePcmWaveFormat(44100, 2, 16));
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(sink->Bytes(), std::vector<uint8_t>(wav.begin() + 44, wav.end()));
}

TEST_F(PcmConverterTest, StreamConfigValidatesAndReportsFormats) {
    CPcmConverter converter;
    auto* config = Query<IAMStreamConfig>(converter.GetPin(1));
    ASSERT_NE(config, nullptr);
    // Unconnected: the first common format.
    CMediaType mt;
    ASSERT_EQ(config->GetFormat(&mt), S_OK);
    EXPECT_EQ(mt.format, MakePcmWaveFormat(44100, 2, 16));
    int32_t count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_GT(count, 10);
    EXPECT_EQ(size, int32_t(sizeof(AUDIO_STREAM_CONFIG_CAPS)));
    AUDIO_STREAM_CONFIG_CAPS caps;
    CMediaType capType;
    EXPECT_EQ(config->GetStreamCaps(0, &capType, &caps), S_OK);
    EXPECT_EQ(caps.guid, MEDIATYPE_Audio);
    EXPECT_EQ(config->GetStreamCaps(count, &capType, &caps), S_FALSE);

    auto invalid = [&](std::vector<uint8_t> block) {
        CMediaType t = PcmMediaType(block);
        return config->SetFormat(&t);
    };
    auto badAverage = MakePcmWaveFormat(44100, 2, 16);
    WriteLe32(&badAverage[8], 1000);
    auto compressed = MakePcmWaveFormat(8000, 1, 4);
    WriteLe16(&compressed[0], 0x0011);
    EXPECT_EQ(invalid(MakePcmWaveFormat(44100, 2, 12)), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(invalid(badAverage), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(invalid(compressed), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(invalid(MakePcmWaveFormat(44100, 9, 16)), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(invalid({1, 0, 2}), VFW_E_INVALIDMEDIATYPE);
    CMediaType video(MEDIATYPE_Video, GUID_NULL, FORMAT_WaveFormatEx);
    video.format = MakePcmWaveFormat(8000, 1, 16);
    EXPECT_EQ(config->SetFormat(&video), VFW_E_INVALIDMEDIATYPE);

    // A fixed format is reported back and is the only one offered; null forgets it.
    auto target = MakePcmWaveFormat(22050, 1, 8);
    EXPECT_EQ(invalid(target), S_OK);
    ASSERT_EQ(config->GetFormat(&mt), S_OK);
    EXPECT_EQ(mt.format, target);
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 1);
    // Trailing bytes after an 18-byte block with cbSize 0 are ignored.
    auto padded = MakePcmWaveFormat(48000, 2, 16);
    padded.resize(40, 0xCC);
    EXPECT_EQ(invalid(padded), S_OK);
    ASSERT_EQ(config->GetFormat(&mt), S_OK);
    EXPECT_EQ(mt.format, MakePcmWaveFormat(48000, 2, 16));
    EXPECT_EQ(config->SetFormat(nullptr), S_OK);
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_GT(count, 1);
}

TEST_F(PcmConverterTest, SetFormatWhileConnectedReconnectsDownstream) {
    test::WriteWav(Path("r.wav"), test::MakeSine(44100, 2, 0.5, 1000, 0.5));
    CPcmConverter* converter = nullptr;
    CaptureSink* sink = Build(Path("r.wav"), MakePcmWaveFormat(44100, 2, 16), &converter);
    ASSERT_NE(converter, nullptr);
    auto* config = Query<IAMStreamConfig>(converter->GetPin(1));
    CMediaType mt = PcmMediaType(MakePcmWaveFormat(16000, 1, 16));
    ASSERT_EQ(config->SetFormat(&mt), S_OK);
    CMediaType now;
    ASSERT_EQ(sink->Pin()->ConnectionMediaType(&now), S_OK);
    EXPECT_EQ(now.format, mt.format);
    // A sink that refuses the new format keeps the old one.
    sink->accept = [](const CMediaType& t) { return ReadLe32(t.format.data() + 4) == 16000; };
    CMediaType other = PcmMediaType(MakePcmWaveFormat(8000, 1, 16));
    EXPECT_EQ(config->SetFormat(&other), VFW_E_INVALIDMEDIATYPE);
    ASSERT_EQ(config->GetFormat(&now), S_OK);
    EXPECT_EQ(now.format, mt.format);
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_NEAR(double(sink->Bytes().size()), 16000.0, 40.0);
}

TEST_F(PcmConverterTest, IntelligentConnectionInsertsItForFloatInput) {
    auto audio = test::MakeSine(48000, 2, 0.5, 1000, 0.5, 32);
    audio.isFloat = true;
    test::WriteWav(Path("f.wav"), audio);
    IBaseFilter* source = AddSource(Path("f.wav"));
    auto sink = std::make_shared<CaptureSink>();
    // Takes 16-bit PCM only, like the sample size converter.
    sink->accept = [](const CMediaType& t) {
        return t.majortype == MEDIATYPE_Audio && t.format.size() >= 18 &&
               ReadLe16(t.format.data()) == WAVE_FORMAT_PCM && ReadLe16(t.format.data() + 14) == 16;
    };
    CaptureSink* raw = sink.get();
    ASSERT_EQ(graph_->AddFilter(sink, "Capture"), S_OK);
    ASSERT_EQ(Connect(source, raw), S_OK);
    EXPECT_NE(graph_->FindFilter("Wave Parser"), nullptr);
    EXPECT_NE(graph_->FindFilter("ACM Wrapper"), nullptr);
    CMediaType type;
    ASSERT_EQ(raw->Pin()->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.format, MakePcmWaveFormat(48000, 2, 16));  // the input's shape first
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    auto out = DecodeRaw(raw->Bytes(), 48000, 2, 16);
    EXPECT_NEAR(test::RmsDb(out, 0, 4800), -9.03, 0.1);
}

TEST_F(PcmConverterTest, ADecoderFailureEndsTheStreamWithTheDecodersResult) {
    // TrueSpeech in 20-byte blocks: 4080 bytes decode, the last 20 reach the decoder at the
    // end of the stream, and it refuses a packet under 32 bytes with FFmpeg's -1 (EPERM).
    test::PcmAudio shell;
    shell.sampleRate = 8000;
    shell.channels = 1;
    shell.bitsPerSample = 8;
    shell.samples.assign(4100, 0.3);
    auto wav = test::EncodeWav(shell);
    WriteLe16(&wav[20], 0x0022);
    WriteLe32(&wav[28], 1067);
    WriteLe16(&wav[32], 20);
    WriteLe16(&wav[34], 1);
    test::WriteFileBytes(Path("ts.wav"), wav);
    CaptureSink* sink = Build(Path("ts.wav"), MakePcmWaveFormat(8000, 1, 16));
    intptr_t result = 0;
    ASSERT_EQ(RunToEnd(&result), EC_ERRORABORT);
    EXPECT_EQ(HRESULT(result), HRESULT_FROM_WIN32_ACCESS_DENIED) << "not a bare E_FAIL";
    EXPECT_EQ(sink->Bytes().size(), 4080u / 32 * 240 * 2) << "the audio before it got through";
}

TEST_F(PcmConverterTest, RefusesCompressedInput) {
    CPcmConverter converter;
    auto block = MakePcmWaveFormat(8000, 1, 4);
    WriteLe16(&block[0], 0x0011);
    CMediaType adpcm = PcmMediaType(block);
    EXPECT_EQ(converter.CheckInputType(&adpcm), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType pcm = PcmMediaType(MakePcmWaveFormat(8000, 1, 16));
    EXPECT_EQ(converter.CheckInputType(&pcm), S_OK);
    CMediaType stream(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(converter.CheckInputType(&stream), VFW_E_TYPE_NOT_ACCEPTED);
}

}  // namespace
}  // namespace tarnel::media
