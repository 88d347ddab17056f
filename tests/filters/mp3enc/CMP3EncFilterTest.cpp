// CMP3EncFilter: settings interface, media type rules, buffers, and streaming through a push
// harness (source -> encoder -> recording sink).
#include "filters/mp3enc/CMP3EncFilter.h"

#include <gtest/gtest.h>

#include "framework/MediaSample.h"
#include "framework/MemAllocator.h"
#include "tests/filters/mp3enc/Mp3EncTestUtil.h"
#include "tests/filters/mp3enc/Mpg123Reference.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PushSource.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel {
namespace {

using test::PcmFormat;

std::array<int32_t, 20> Words(CMP3EncFilter& f) {
    std::array<uint8_t, 80> bytes{};
    int32_t size = 80;
    EXPECT_EQ(f.GetSettingsBlock(bytes.data(), &size), S_OK);
    return Mp3EncSettings::FromBytes(bytes).words;
}

CMediaType PcmType(uint16_t channels, uint32_t rate, uint16_t bits = 16) {
    return MakeAudioMediaType(PcmFormat(channels, rate, bits));
}

// Source -> encoder -> sink, joined to a graph stand-in that records events.
struct EncoderRig {
    explicit EncoderRig(const CMediaType& input, int32_t sourceBuffer = 1 << 16)
        : source(input, sourceBuffer) {
        encoder->JoinFilterGraph(&graph, "MP3 Compressor");
    }
    ~EncoderRig() {
        Stop();
        source.Pin()->Disconnect();
        encoder->InputPin()->Disconnect();
        encoder->OutputPin()->Disconnect();
        sink.Pin()->Disconnect();
    }
    HRESULT ConnectInput() { return source.Pin()->Connect(encoder->InputPin(), nullptr); }
    HRESULT ConnectAll() {
        HRESULT hr = ConnectInput();
        if (FAILED(hr)) return hr;
        return encoder->OutputPin()->Connect(sink.Pin(), nullptr);
    }
    void Start() {
        ASSERT_EQ(sink.Pause(), S_OK);
        ASSERT_EQ(encoder->Pause(), S_OK);
        ASSERT_EQ(source.Pause(), S_OK);
    }
    void Stop() {
        source.Stop();
        encoder->Stop();
        sink.Stop();
    }
    // Pushes the PCM in blocks of `frames`, each stamped with its own time span.
    void PushPcm(const test::PcmAudio& pcm, size_t frames) {
        const auto bytes = test::Int16Bytes(pcm);
        const size_t block = frames * pcm.channels * 2;
        for (size_t at = 0; at < bytes.size(); at += block) {
            const size_t n = std::min(block, bytes.size() - at);
            const REFERENCE_TIME t0 =
                static_cast<REFERENCE_TIME>(at / (pcm.channels * 2)) * UNITS / pcm.sampleRate;
            const REFERENCE_TIME t1 =
                static_cast<REFERENCE_TIME>((at + n) / (pcm.channels * 2)) * UNITS / pcm.sampleRate;
            ASSERT_EQ(source.Push(std::span(bytes.data() + at, n), test::harness::Stamped(t0, t1)),
                      S_OK);
        }
    }

    test::harness::RecordingGraph graph;
    std::shared_ptr<CMP3EncFilter> encoder = std::make_shared<CMP3EncFilter>();
    test::harness::PushSource source;
    test::harness::CaptureSink sink{[](const CMediaType& t) { return t.FormatLength() > 0; }};
};

TEST(CMP3EncFilterSettings, NewFilterHasDefaultsAndAnswersItsInterface) {
    CMP3EncFilter f;
    auto* props = Query<IMP3AudioEncProperties>(&f);
    ASSERT_NE(props, nullptr);
    EXPECT_EQ(static_cast<void*>(props), static_cast<IMP3AudioEncProperties*>(&f));
    EXPECT_NE(Query<IBaseFilter>(&f), nullptr);
    GUID clsid;
    ASSERT_EQ(f.GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid.ToString(), "{BDC91CC1-FA36-4239-90C0-89BECA40BBEB}");
    EXPECT_EQ(IMP3AudioEncProperties::IID.ToString(), "{AC06599A-D525-42EA-A00C-B40F9CA4694A}");

    const std::array<int32_t, 20> expected = {44100, 128, 0, 80, 160, 5, 4, 0, 0, 0,
                                              0,     0,   0, 0,  0,   0, 0, 0, 0, 0};
    EXPECT_EQ(Words(f), expected);
    EXPECT_TRUE(f.Encoder().SettingsKnown());
}

TEST(CMP3EncFilterSettings, EverySetterWritesItsOwnWord) {
    CMP3EncFilter f;
    using Setter = HRESULT (CMP3EncFilter::*)(int32_t);
    using Getter = HRESULT (CMP3EncFilter::*)(int32_t*);
    struct Row {
        Setter set;
        Getter get;
        int word;
    };
    const Row rows[] = {
        {&CMP3EncFilter::SetBitrate, &CMP3EncFilter::GetBitrate, 1},
        {&CMP3EncFilter::SetVbrMinBitrate, &CMP3EncFilter::GetVbrMinBitrate, 3},
        {&CMP3EncFilter::SetVbrMaxBitrate, &CMP3EncFilter::GetVbrMaxBitrate, 4},
        {&CMP3EncFilter::SetEncodingQuality, &CMP3EncFilter::GetEncodingQuality, 5},
        {&CMP3EncFilter::SetVbrQuality, &CMP3EncFilter::GetVbrQuality, 6},
        {&CMP3EncFilter::SetOutputSampleRate, &CMP3EncFilter::GetOutputSampleRate, 0},
        {&CMP3EncFilter::SetChannelMode, &CMP3EncFilter::GetChannelMode, 8},
        {&CMP3EncFilter::SetForceMidSide, &CMP3EncFilter::GetForceMidSide, 9},
        {&CMP3EncFilter::SetErrorProtection, &CMP3EncFilter::GetErrorProtection, 10},
        {&CMP3EncFilter::SetCopyrightBit, &CMP3EncFilter::GetCopyrightBit, 11},
        {&CMP3EncFilter::SetOriginalBit, &CMP3EncFilter::GetOriginalBit, 12},
        {&CMP3EncFilter::SetVbrHardMinimum, &CMP3EncFilter::GetVbrHardMinimum, 13},
        {&CMP3EncFilter::SetVoicePreset, &CMP3EncFilter::GetVoicePreset, 14},
        {&CMP3EncFilter::SetFullBandwidth, &CMP3EncFilter::GetFullBandwidth, 15},
        {&CMP3EncFilter::SetStrictIso, &CMP3EncFilter::GetStrictIso, 16},
        {&CMP3EncFilter::SetSpareSetting, &CMP3EncFilter::GetSpareSetting, 18},
        {&CMP3EncFilter::SetSpareSetting2, &CMP3EncFilter::GetSpareSetting2, 19},
    };
    for (const Row& row : rows) {
        auto before = Words(f);
        const int32_t value = 1000 + row.word;
        ASSERT_EQ((f.*row.set)(value), S_OK) << row.word;
        auto after = Words(f);
        before[static_cast<size_t>(row.word)] = value;
        EXPECT_EQ(after, before) << "word " << row.word;
        int32_t got = 0;
        EXPECT_EQ((f.*row.get)(&got), S_OK);
        EXPECT_EQ(got, value) << row.word;
        EXPECT_EQ((f.*row.get)(nullptr), E_POINTER);
    }
}

TEST(CMP3EncFilterSettings, VbrFlagStoresLamesModeAndReadsAsOne) {
    CMP3EncFilter f;
    ASSERT_EQ(f.SetVbrEnabled(1), S_OK);
    EXPECT_EQ(Words(f)[2], 2);
    int32_t on = 0;
    EXPECT_EQ(f.GetVbrEnabled(&on), S_OK);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(f.SetVbrEnabled(0), S_OK);
    EXPECT_EQ(Words(f)[2], 0);
    EXPECT_EQ(f.GetVbrEnabled(&on), S_OK);
    EXPECT_EQ(on, 0);
}

TEST(CMP3EncFilterSettings, BlockSizesAreChecked) {
    CMP3EncFilter f;
    std::array<uint8_t, 80> buffer{};
    int32_t size = 10;
    EXPECT_EQ(f.GetSettingsBlock(buffer.data(), &size), E_FAIL);
    EXPECT_EQ(size, 80);
    size = 0;
    EXPECT_EQ(f.GetSettingsBlock(nullptr, &size), S_OK);
    EXPECT_EQ(size, 80);
    EXPECT_EQ(f.GetSettingsBlock(nullptr, nullptr), E_FAIL);

    std::array<uint8_t, 81> bytes{};
    EXPECT_EQ(f.SetSettingsBlock(bytes.data(), 79), E_FAIL);
    EXPECT_EQ(f.SetSettingsBlock(bytes.data(), 81), E_FAIL);
    EXPECT_EQ(Words(f)[1], 128) << "a refused block changes nothing";
    bytes[4] = 64;
    EXPECT_EQ(f.SetSettingsBlock(bytes.data(), 80), S_OK);
    EXPECT_EQ(Words(f)[1], 64);
}

TEST(CMP3EncFilterSettings, ResetKeepsTheSpareWordsWithoutAccessors) {
    CMP3EncFilter f;
    Mp3EncSettings all;
    all.words.fill(77);
    const auto bytes = all.ToBytes();
    ASSERT_EQ(f.SetSettingsBlock(bytes.data(), 80), S_OK);
    ASSERT_EQ(f.ResetToDefaults(), S_OK);
    const std::array<int32_t, 20> expected = {44100, 128, 0, 80, 160, 5, 4, 77, 0, 0,
                                              0,     0,   0, 0,  0,   0, 0, 77, 0, 77};
    EXPECT_EQ(Words(f), expected);
}

TEST(CMP3EncFilterSettings, InputPropertiesFailUntilAnInputIsConnected) {
    EncoderRig rig(PcmType(1, 22050));
    int32_t value = -1;
    EXPECT_EQ(rig.encoder->GetInputSampleRate(&value), E_FAIL);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(rig.encoder->GetInputChannels(&value), E_FAIL);
    EXPECT_EQ(rig.encoder->IsInputFormatKnown(), E_FAIL);
    ASSERT_EQ(rig.ConnectInput(), S_OK);
    EXPECT_EQ(rig.encoder->IsInputFormatKnown(), S_OK);
    EXPECT_EQ(rig.encoder->GetInputSampleRate(&value), S_OK);
    EXPECT_EQ(value, 22050);
    EXPECT_EQ(rig.encoder->GetInputChannels(&value), S_OK);
    EXPECT_EQ(value, 1);
}

TEST(CMP3EncFilterTypes, InputTypeRules) {
    CMP3EncFilter f;
    const CMediaType good = PcmType(2, 44100);
    EXPECT_EQ(f.CheckInputType(&good), S_OK);
    std::vector<CMediaType> refused = {PcmType(2, 16000), PcmType(2, 24000), PcmType(2, 44100, 8),
                                       PcmType(3, 44100)};
    CMediaType notAudio = good;
    notAudio.majortype = MEDIATYPE_Stream;
    refused.push_back(notAudio);
    CMediaType noFormat = good;
    noFormat.formattype = FORMAT_None;
    refused.push_back(noFormat);
    CMediaType shortBlock = good;
    shortBlock.format.resize(16);
    refused.push_back(shortBlock);
    CMediaType compressed = good;
    compressed.bTemporalCompression = true;
    refused.push_back(compressed);
    for (const auto& t : refused) EXPECT_EQ(f.CheckInputType(&t), E_INVALIDARG) << t.ToString();
}

TEST(CMP3EncFilterTypes, AskingAboutARefusedTypeKeepsTheConnectedFormat) {
    EncoderRig rig(PcmType(2, 44100));
    ASSERT_EQ(rig.ConnectInput(), S_OK);
    const CMediaType other = PcmType(2, 16000);
    EXPECT_NE(rig.encoder->InputPin()->QueryAccept(&other), S_OK);
    EXPECT_EQ(rig.encoder->IsInputFormatKnown(), S_OK);
    int32_t rate = 0;
    rig.encoder->GetInputSampleRate(&rate);
    EXPECT_EQ(rate, 44100);
}

TEST(CMP3EncFilterTypes, OutputTypeDescribesTheMpegStream) {
    EncoderRig rig(PcmType(2, 44100));
    CMediaType type;
    EXPECT_EQ(rig.encoder->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(rig.encoder->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(rig.encoder->GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_MPEG1Audio);
    EXPECT_EQ(type.formattype, FORMAT_None) << "no input yet";
    EXPECT_TRUE(type.format.empty());

    ASSERT_EQ(rig.ConnectInput(), S_OK);
    ASSERT_EQ(rig.encoder->GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.formattype, FORMAT_WaveFormatEx);
    EXPECT_EQ(type.GetSampleSize(), 4096u);
    EXPECT_FALSE(type.bTemporalCompression);
    ASSERT_EQ(type.format.size(), 40u);
    const uint8_t* p = type.format.data();
    EXPECT_EQ(ReadLe16(p + 0), 0x0050);
    EXPECT_EQ(ReadLe16(p + 2), 2);
    EXPECT_EQ(ReadLe32(p + 4), 44100u);
    EXPECT_EQ(ReadLe32(p + 8), 16000u);
    EXPECT_EQ(ReadLe16(p + 12), 1);
    EXPECT_EQ(ReadLe16(p + 14), 16);
    EXPECT_EQ(ReadLe16(p + 16), 22);
    EXPECT_EQ(ReadLe16(p + 18), 4);
    EXPECT_EQ(ReadLe32(p + 20), 128000u);
    EXPECT_EQ(ReadLe16(p + 24), 1);
    EXPECT_EQ(ReadLe16(p + 30), 0x10);

    rig.encoder->SetChannelMode(3);
    rig.encoder->SetErrorProtection(1);
    rig.encoder->SetOriginalBit(1);
    rig.encoder->SetCopyrightBit(1);
    rig.encoder->SetBitrate(64);
    auto block = rig.encoder->OutputFormat();
    EXPECT_EQ(ReadLe16(&block[2]), 1) << "mono mode: one channel";
    EXPECT_EQ(ReadLe16(&block[24]), 8) << "single channel";
    EXPECT_EQ(ReadLe16(&block[30]), 0x1E);
    EXPECT_EQ(ReadLe32(&block[8]), 8000u);
    for (auto [mode, head] : {std::pair{0, 1}, {1, 2}, {2, 4}}) {
        rig.encoder->SetChannelMode(mode);
        block = rig.encoder->OutputFormat();
        EXPECT_EQ(ReadLe16(&block[24]), head) << mode;
        EXPECT_EQ(ReadLe16(&block[2]), 2) << mode;
    }
    rig.encoder->SetChannelMode(7);
    block = rig.encoder->OutputFormat();
    EXPECT_EQ(ReadLe16(&block[24]), 4) << "an unknown mode keeps the last head mode";
}

TEST(CMP3EncFilterTypes, MonoInputInStereoModeIsAnnouncedAsTwoChannels) {
    EncoderRig rig(PcmType(1, 22050));
    ASSERT_EQ(rig.ConnectInput(), S_OK);
    auto block = rig.encoder->OutputFormat();
    EXPECT_EQ(ReadLe16(&block[2]), 2);
    EXPECT_EQ(ReadLe16(&block[24]), 1);
}

TEST(CMP3EncFilterTypes, OutputRateMustMatchWhenTheInputRateIsAMultipleOfIt) {
    CMP3EncFilter f;
    const CMediaType in44 = PcmType(2, 44100), in22 = PcmType(2, 22050);
    CMediaType out = PcmType(2, 22050);
    CMediaType noBlock(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio, FORMAT_None);
    EXPECT_EQ(f.CheckTransform(&in44, &noBlock), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(f.CheckTransform(&in44, &out), VFW_E_TYPE_NOT_ACCEPTED);  // 44100 % 44100 == 0
    EXPECT_EQ(f.CheckTransform(&in22, &out), S_OK);  // 22050 is not a multiple of 44100
    f.SetOutputSampleRate(22050);
    EXPECT_EQ(f.CheckTransform(&in44, &out), S_OK);
    CMediaType out44 = PcmType(2, 44100);
    EXPECT_EQ(f.CheckTransform(&in44, &out44), VFW_E_TYPE_NOT_ACCEPTED);
    f.SetOutputSampleRate(0);
    EXPECT_EQ(f.CheckTransform(&in44, &out44), S_OK) << "rate 0 is never divided by";
}

// An allocator that grants less than it is asked for.
class StingyAllocator : public CMemAllocator {
public:
    StingyAllocator(int32_t buffers, int32_t bytes, HRESULT result = S_OK)
        : buffers_(buffers), bytes_(bytes), result_(result) {}
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                          ALLOCATOR_PROPERTIES* actual) override {
        asked = *request;
        if (FAILED(result_)) return result_;
        ALLOCATOR_PROPERTIES granted = *request;
        granted.cBuffers = std::min(request->cBuffers, buffers_);
        granted.cbBuffer = std::min(request->cbBuffer, bytes_);
        return CMemAllocator::SetProperties(&granted, actual);
    }
    ALLOCATOR_PROPERTIES asked;

private:
    int32_t buffers_, bytes_;
    HRESULT result_;
};

TEST(CMP3EncFilterBuffers, AsksForFourBuffersOf48000BytesAndRefusesLess) {
    CMP3EncFilter f;
    ALLOCATOR_PROPERTIES props;
    auto full = std::make_shared<StingyAllocator>(100, 1 << 20);
    EXPECT_EQ(f.DecideBufferSize(full.get(), &props), S_OK);
    EXPECT_EQ(full->asked.cBuffers, 4);
    EXPECT_EQ(full->asked.cbBuffer, 48000);
    auto fewer = std::make_shared<StingyAllocator>(3, 1 << 20);
    EXPECT_EQ(f.DecideBufferSize(fewer.get(), &props), E_INVALIDARG);
    auto smaller = std::make_shared<StingyAllocator>(4, 47999);
    EXPECT_EQ(f.DecideBufferSize(smaller.get(), &props), E_INVALIDARG);
    auto failing = std::make_shared<StingyAllocator>(4, 48000, E_OUTOFMEMORY);
    EXPECT_EQ(f.DecideBufferSize(failing.get(), &props), E_OUTOFMEMORY);
}

TEST(CMP3EncFilterStreaming, TransformWhileStoppedGivesAnEmptySample) {
    CMP3EncFilter f;
    std::vector<uint8_t> inBytes(4608, 1), outBytes(48000, 0);
    CMediaSample in(nullptr, inBytes.data(), 4608), out(nullptr, outBytes.data(), 48000);
    in.AddRef();
    out.AddRef();
    in.SetActualDataLength(4608);
    out.SetActualDataLength(100);
    EXPECT_EQ(f.Transform(&in, &out), S_OK);
    EXPECT_EQ(out.GetActualDataLength(), 0);
}

TEST(CMP3EncFilterStreaming, EncodesTimedSamplesAndFlushesAnUntimedTailBeforeEndOfStream) {
    EncoderRig rig(PcmType(2, 44100));
    ASSERT_EQ(rig.ConnectAll(), S_OK);
    rig.Start();
    const auto sine = test::MakeSine(44100, 2, 1.0, 1000, 0.5);
    rig.PushPcm(sine, 1152);
    ASSERT_EQ(rig.source.PushEndOfStream(), S_OK);
    rig.Stop();

    const auto samples = rig.sink.Samples();
    ASSERT_GT(samples.size(), 2u);
    EXPECT_TRUE(samples.front().bytes.empty()) << "LAME holds the first frames back";
    EXPECT_EQ(samples.front().timeResult, S_OK);
    EXPECT_EQ(samples.front().start, 0);
    EXPECT_EQ(samples[1].start, 1152LL * UNITS / 44100);
    EXPECT_TRUE(samples.front().discontinuity == false);
    const auto& last = samples.back();
    EXPECT_FALSE(last.bytes.empty());
    EXPECT_EQ(last.timeResult, VFW_E_SAMPLE_TIME_NOT_SET) << "the flushed tail has no times";
    EXPECT_EQ(rig.sink.EndOfStreamCount(), 1);
    EXPECT_EQ(rig.sink.SamplesBeforeEndOfStream(), samples.size());
    EXPECT_FALSE(rig.encoder->Encoder().IsOpen()) << "closed after the final flush";
    EXPECT_TRUE(rig.graph.Events().empty());

    auto decoded = test::DecodeMp3Bytes(rig.sink.Bytes());
    ASSERT_TRUE(decoded);
    EXPECT_GE(decoded->audio.frames(), sine.frames());
    EXPECT_LE(decoded->audio.frames(), sine.frames() + 576 + 529 + 1152);
    EXPECT_NEAR(test::RmsDb(decoded->audio, 0, 4096), test::RmsDb(sine, 0), 1.0);
}

TEST(CMP3EncFilterStreaming, SampleLargerThanOneOutputBufferGoesOutInPieces) {
    const size_t frames = 100000;  // worst case far beyond 48000 bytes
    EncoderRig rig(PcmType(2, 44100), static_cast<int32_t>(frames * 4));
    ASSERT_EQ(rig.ConnectAll(), S_OK);
    rig.Start();
    const auto sine = test::MakeSine(44100, 2, double(frames) / 44100, 500, 0.5);
    const auto bytes = test::Int16Bytes(sine);
    test::harness::SampleProps options;
    options.start = 10'000'000;
    options.stop = 10'000'000 + static_cast<REFERENCE_TIME>(frames) * UNITS / 44100;
    options.discontinuity = true;
    options.mediaTimes = {5, 6};
    ASSERT_EQ(rig.source.Push(bytes, options), S_OK);
    ASSERT_EQ(rig.source.PushEndOfStream(), S_OK);
    rig.Stop();

    const auto samples = rig.sink.Samples();
    ASSERT_GE(samples.size(), 5u) << "four pieces and the flushed tail";
    REFERENCE_TIME expectedStart = *options.start;
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        EXPECT_LE(samples[i].bytes.size(), 48000u);
        ASSERT_EQ(samples[i].timeResult, S_OK) << i;
        EXPECT_EQ(samples[i].start, expectedStart) << i;
        EXPECT_EQ(samples[i].discontinuity, i == 0) << i;
        EXPECT_TRUE(samples[i].HasMediaTime());
        expectedStart = samples[i].stop;
    }
    EXPECT_EQ(expectedStart, *options.stop) << "pieces cover the input's span";
    auto decoded = test::DecodeMp3Bytes(rig.sink.Bytes());
    ASSERT_TRUE(decoded);
    EXPECT_GE(decoded->audio.frames(), frames);
    EXPECT_LE(decoded->audio.frames(), frames + 576 + 529 + 1152);
}

TEST(CMP3EncFilterStreaming, EmptyAndOddSizedSamplesPassWithoutHarm) {
    EncoderRig rig(PcmType(2, 44100));
    ASSERT_EQ(rig.ConnectAll(), S_OK);
    rig.Start();
    std::vector<uint8_t> odd(4 * 500 + 3, 0);
    ASSERT_EQ(rig.source.Push({}), S_OK);
    ASSERT_EQ(rig.source.Push(odd), S_OK);
    ASSERT_EQ(rig.source.PushEndOfStream(), S_OK);
    rig.Stop();
    EXPECT_EQ(rig.sink.EndOfStreamCount(), 1);
    EXPECT_TRUE(rig.graph.Events().empty());
}

TEST(CMP3EncFilterStreaming, FlushDropsHeldAudioAndStreamingGoesOnAfterwards) {
    EncoderRig rig(PcmType(2, 44100));
    ASSERT_EQ(rig.ConnectAll(), S_OK);
    rig.Start();
    EXPECT_TRUE(rig.encoder->Encoder().IsOpen());
    rig.PushPcm(test::MakeSine(44100, 2, 0.2, 1000, 0.5), 1152);
    ASSERT_EQ(rig.encoder->InputPin()->BeginFlush(), S_OK);
    EXPECT_FALSE(rig.encoder->Encoder().IsOpen());
    EXPECT_EQ(rig.sink.FlushCount(), 1);
    ASSERT_EQ(rig.encoder->InputPin()->EndFlush(), S_OK);
    EXPECT_TRUE(rig.encoder->Encoder().IsOpen());
    const size_t before = rig.sink.Bytes().size();
    rig.PushPcm(test::MakeSine(44100, 2, 0.5, 1000, 0.5), 1152);
    ASSERT_EQ(rig.source.PushEndOfStream(), S_OK);
    EXPECT_GT(rig.sink.Bytes().size(), before + 4000);
}

TEST(CMP3EncFilterStreaming, WithoutAnInputFormatSamplesComeOutEmpty) {
    // Streaming started on an encoder that never learnt its input: Open fails quietly.
    EncoderRig rig(PcmType(2, 44100));
    ASSERT_EQ(rig.ConnectAll(), S_OK);
    ASSERT_EQ(rig.encoder->Encoder().SetInputFormat(PcmFormat(2, 16000)), E_INVALIDARG);
    rig.Start();
    EXPECT_FALSE(rig.encoder->Encoder().IsOpen());
    rig.PushPcm(test::MakeSine(44100, 2, 0.2, 1000, 0.5), 1152);
    ASSERT_EQ(rig.source.PushEndOfStream(), S_OK);
    EXPECT_TRUE(rig.sink.Bytes().empty());
    EXPECT_EQ(rig.sink.EndOfStreamCount(), 1);
}

}  // namespace
}  // namespace tarnel
