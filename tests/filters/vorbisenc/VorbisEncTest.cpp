#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "filters/vorbisenc/CVorbisEnc.h"
#include "filters/vorbisenc/PcmDeinterleave.h"
#include "framework/RefTime.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PinHelpers.h"
#include "tests/support/filters/PushSource.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel {
namespace {

using test::harness::CaptureSink;
using test::harness::PushSource;
using test::harness::RecordingGraph;

CMediaType Pcm16(uint16_t channels = 2, uint32_t rate = 44100) {
    return MakeAudioMediaType(MakePcmFormat(channels, rate, 16));
}

std::vector<uint8_t> SilentFrames(int frames, int channels, int bytesPerSample = 2) {
    return std::vector<uint8_t>(static_cast<size_t>(frames) * channels * bytesPerSample, 0);
}

struct IdHeader {
    int channels = 0;
    uint32_t rate = 0;
    int32_t upper = 0, nominal = 0, lower = 0;
};

IdHeader ReadIdHeader(const std::vector<uint8_t>& packet) {
    IdHeader id;
    if (packet.size() < 30) return id;
    id.channels = packet[11];
    id.rate = ReadLe32(&packet[12]);
    id.upper = static_cast<int32_t>(ReadLe32(&packet[16]));
    id.nominal = static_cast<int32_t>(ReadLe32(&packet[20]));
    id.lower = static_cast<int32_t>(ReadLe32(&packet[24]));
    return id;
}

// Push source -> encoder -> capturing sink, connected pin to pin.
class EncoderRig {
public:
    explicit EncoderRig(const CMediaType& input) {
        source = std::make_shared<PushSource>(input, 1 << 20, 4);
        encoder = std::make_shared<CVorbisEnc>();
        sink = std::make_shared<CaptureSink>(IsVorbisMediaType);
        graph.AddFilter(sink, "sink");
        graph.AddFilter(encoder, "Ogg compressor");
        graph.AddFilter(source, "source");
        connected = SUCCEEDED(test::harness::ConnectPins(source->Pin(), encoder->InputPin())) &&
                    SUCCEEDED(test::harness::ConnectPins(encoder->OutputPin(), sink->Pin()));
    }

    IAMStreamConfig* Config() { return Query<IAMStreamConfig>(encoder->OutputPin()); }

    HRESULT Configure(float quality, int32_t minBits, int32_t avgBits, int32_t maxBits) {
        CMediaType type;
        HRESULT hr = Config()->GetFormat(&type);
        if (FAILED(hr)) return hr;
        auto block = VorbisBlockOf(type);
        if (!block) return E_FAIL;
        block->quality = quality;
        block->minBitsPerSec = minBits;
        block->avgBitsPerSec = avgBits;
        block->maxBitsPerSec = maxBits;
        type.format = SerializeVorbisFormatBlock(*block);
        return Config()->SetFormat(&type);
    }

    // Starts, ends the stream at once and returns the identification header that came out.
    IdHeader EncodeNothing() {
        if (FAILED(graph.PauseAll())) return {};
        source->PushEndOfStream();
        auto samples = sink->Samples();
        graph.StopAll();
        return samples.empty() ? IdHeader{} : ReadIdHeader(samples[0].bytes);
    }

    RecordingGraph graph;
    std::shared_ptr<PushSource> source;
    std::shared_ptr<CVorbisEnc> encoder;
    std::shared_ptr<CaptureSink> sink;
    bool connected = false;
};

TEST(VorbisEncTypes, AcceptsOnly16BitIntegerAnd32BitFloat) {
    CVorbisEnc encoder;
    CMediaType pcm16 = Pcm16();
    EXPECT_EQ(encoder.CheckInputType(&pcm16), S_OK);
    CMediaType pcmFloat = MakeAudioMediaType(MakeFloatFormat(2, 48000));
    EXPECT_EQ(encoder.CheckInputType(&pcmFloat), S_OK);
    WAVEFORMATEXTENSIBLE ext;
    ext.Format = MakePcmFormat(6, 48000, 16);
    ext.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    ext.Format.cbSize = 22;
    ext.wValidBitsPerSample = 16;
    ext.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    CMediaType extensible = MakeAudioMediaType(ext);
    EXPECT_EQ(encoder.CheckInputType(&extensible), S_OK);

    for (uint16_t bits : {8, 24, 32}) {
        CMediaType other = MakeAudioMediaType(MakePcmFormat(2, 44100, bits));
        EXPECT_EQ(encoder.CheckInputType(&other), VFW_E_TYPE_NOT_ACCEPTED) << bits;
    }
    WAVEFORMATEX mp3 = MakePcmFormat(2, 44100, 16);
    mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    CMediaType compressed = MakeAudioMediaType(mp3);
    EXPECT_EQ(encoder.CheckInputType(&compressed), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType noFormat(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_None);
    EXPECT_EQ(encoder.CheckInputType(&noFormat), VFW_E_TYPE_NOT_ACCEPTED);

    CMediaType vorbis = MakeVorbisMediaType({});
    EXPECT_EQ(encoder.CheckTransform(&pcm16, &vorbis), S_OK);
    EXPECT_EQ(encoder.CheckTransform(&pcm16, &pcm16), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(VorbisEncConfig, RefusedBeforeTheInputIsConnected) {
    CVorbisEnc encoder;
    auto* config = Query<IAMStreamConfig>(encoder.OutputPin());
    ASSERT_NE(config, nullptr);
    CMediaType type = MakeVorbisMediaType({});
    EXPECT_EQ(config->SetFormat(&type), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(config->GetFormat(&type), VFW_E_NOT_CONNECTED);
    int32_t count = 0, size = 0;
    EXPECT_EQ(config->GetNumberOfCapabilities(&count, &size), E_NOTIMPL);
    EXPECT_NE(Query<IVorbisEncoderControl>(static_cast<IBaseFilter*>(&encoder)), nullptr);
}

TEST(VorbisEncConfig, OffersTheInputFormatWithUnsetBitrates) {
    EncoderRig rig(Pcm16(1, 22050));
    ASSERT_TRUE(rig.connected);
    CMediaType type;
    EXPECT_EQ(rig.encoder->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(rig.encoder->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(rig.encoder->GetMediaType(0, &type), S_OK);
    auto block = VorbisBlockOf(type);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->channels, 1);
    EXPECT_EQ(block->samplesPerSec, 22050u);
    EXPECT_EQ(block->minBitsPerSec, -1);
    EXPECT_EQ(block->avgBitsPerSec, -1);
    EXPECT_EQ(block->maxBitsPerSec, -1);
    EXPECT_EQ(block->quality, -1.0f);

    ASSERT_EQ(rig.Configure(0.3f, -1, 96000, -1), S_OK);
    ASSERT_EQ(rig.Config()->GetFormat(&type), S_OK);
    EXPECT_EQ(VorbisBlockOf(type)->quality, 0.3f);
    EXPECT_EQ(VorbisBlockOf(type)->avgBitsPerSec, 96000);
}

TEST(VorbisEncConfig, ChannelCountDifferentFromTheInputIsRefused) {
    EncoderRig rig(Pcm16(2));
    ASSERT_TRUE(rig.connected);
    CMediaType type;
    ASSERT_EQ(rig.Config()->GetFormat(&type), S_OK);
    auto block = *VorbisBlockOf(type);
    block.channels = 1;
    type.format = SerializeVorbisFormatBlock(block);
    EXPECT_EQ(rig.Config()->SetFormat(&type), VFW_E_TYPE_NOT_ACCEPTED);
    type.format.resize(12);
    EXPECT_EQ(rig.Config()->SetFormat(&type), E_INVALIDARG);
}

TEST(VorbisEncSetup, QualityBoundsSelectQualityVbr) {
    {
        // 1.0 is still quality VBR: the nominal rate is libvorbis' top quality, not 64 kbit/s.
        EncoderRig rig(Pcm16());
        ASSERT_EQ(rig.Configure(1.0f, -1, 64000, -1), S_OK);
        IdHeader id = rig.EncodeNothing();
        EXPECT_GT(id.nominal, 250000);
    }
    {
        EncoderRig rig(Pcm16());
        ASSERT_EQ(rig.Configure(-0.1f, -1, 400000, -1), S_OK);
        IdHeader id = rig.EncodeNothing();
        EXPECT_GT(id.nominal, 0);
        EXPECT_LT(id.nominal, 100000);
    }
    for (float bitrateMode : {-1.0f, 1.01f, -0.11f}) {
        EncoderRig rig(Pcm16());
        ASSERT_EQ(rig.Configure(bitrateMode, -1, 160000, -1), S_OK);
        IdHeader id = rig.EncodeNothing();
        EXPECT_EQ(id.nominal, 160000) << bitrateMode;
    }
}

TEST(VorbisEncSetup, ConstantBitrateCarriesAllThreeLimits) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(-1.0f, 128000, 128000, 128000), S_OK);
    IdHeader id = rig.EncodeNothing();
    EXPECT_EQ(id.upper, 128000);
    EXPECT_EQ(id.nominal, 128000);
    EXPECT_EQ(id.lower, 128000);
    EXPECT_EQ(id.channels, 2);
    EXPECT_EQ(id.rate, 44100u);
}

TEST(VorbisEncSetup, ManagedVbrStartsFromTheAverageBitrate) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(-1.0f, -1, 128000, -1), S_OK);
    Query<IVorbisEncoderControl>(static_cast<IBaseFilter*>(rig.encoder.get()))
        ->SetManagedBitrate(true);
    auto* control = Query<IVorbisEncoderControl>(static_cast<IBaseFilter*>(rig.encoder.get()));
    EXPECT_EQ(control->TrialStartStreaming(), S_OK);
    EXPECT_EQ(control->TrialStopStreaming(), S_OK);
    IdHeader id = rig.EncodeNothing();
    EXPECT_EQ(id.channels, 2);
    EXPECT_EQ(id.upper, -1);
    EXPECT_EQ(id.lower, -1);
}

TEST(VorbisEncSetup, RefusedSettingsReturnOneAndStopTheStream) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(-1.0f, 1000, 1000, 1000), S_OK);
    auto* control = Query<IVorbisEncoderControl>(static_cast<IBaseFilter*>(rig.encoder.get()));
    EXPECT_EQ(control->TrialStartStreaming(), S_FALSE);
    EXPECT_EQ(control->TrialStopStreaming(), S_OK);

    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    auto frames = SilentFrames(1024, 2);
    EXPECT_EQ(rig.source->Push(frames, 0, 0), E_VORBIS_SETTINGS_REJECTED);
    auto events = rig.graph.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].code, EC_ERRORABORT);
    EXPECT_EQ(events[0].param1, E_VORBIS_SETTINGS_REJECTED);
    rig.graph.StopAll();
}

TEST(VorbisEncStream, EmptyStreamStillDeliversTheThreeHeadersThenEndOfStream) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(0.4f, -1, -1, -1), S_OK);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    rig.source->PushEndOfStream();
    auto samples = rig.sink->Samples();
    ASSERT_GE(samples.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(samples[i].bytes.empty());
        EXPECT_EQ(samples[i].bytes[0], 1 + 2 * i);
        EXPECT_EQ(samples[i].start, 0);
        EXPECT_EQ(samples[i].stop, 0);
    }
    EXPECT_EQ(rig.sink->EndOfStreamCount(), 1);
    rig.graph.StopAll();
}

TEST(VorbisEncStream, OverlapsAreTrimmedAndGapsFilled) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(0.1f, -1, -1, -1), S_OK);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    const int64_t rate = 44100;
    auto at = [&](int64_t frame) { return SamplesToRefTime(frame, rate); };

    // 4096 bytes of stereo 16-bit are 1024 frames.
    ASSERT_EQ(rig.source->Push(SilentFrames(1024, 2), at(0), at(1024)), S_OK);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 1024);
    // Starts 100 frames late: 100 frames of silence first.
    ASSERT_EQ(rig.source->Push(SilentFrames(1000, 2), at(1124), at(2124)), S_OK);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 2124);
    // Overlaps by 124 frames: only the tail is taken.
    ASSERT_EQ(rig.source->Push(SilentFrames(500, 2), at(2000), at(2500)), S_OK);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 2500);
    // Entirely before: nothing.
    ASSERT_EQ(rig.source->Push(SilentFrames(100, 2), at(0), at(100)), S_OK);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 2500);
    // Unstamped: continues where the stream is.
    ASSERT_EQ(rig.source->Push(SilentFrames(300, 2)), S_OK);  // unstamped
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 2800);
    // A hole longer than one analysis buffer takes several rounds.
    ASSERT_EQ(rig.source->Push(SilentFrames(10, 2), at(40000), at(40010)), S_OK);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 40010);

    rig.source->PushEndOfStream();
    auto samples = rig.sink->Samples();
    ASSERT_GT(samples.size(), 4u);
    // The last packet's granule position is the stream's length.
    EXPECT_EQ(samples.back().start, at(40010));
    REFERENCE_TIME previous = 0;
    for (size_t i = 3; i < samples.size(); ++i) {
        EXPECT_GE(samples[i].start, previous);
        EXPECT_GE(samples[i].stop, samples[i].start);
        previous = samples[i].start;
    }
    rig.graph.StopAll();
}

TEST(VorbisEncStream, SlowTimeStampsLoseNothing) {
    // Stamps as a corrector derives them from bytes with a whole 56 units per byte (the exact
    // figure at 176400 bytes/s is 56.69): they fall ever further behind the samples.
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(0.1f, -1, -1, -1), S_OK);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    REFERENCE_TIME next = 0;
    for (int i = 0; i < 200; ++i) {
        const int bytes = 4096;
        REFERENCE_TIME start = next, stop = next + bytes * 56;
        ASSERT_EQ(rig.source->Push(SilentFrames(bytes / 4, 2), start, stop), S_OK);
        next = stop + 56;
    }
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 200 * 1024);
    rig.source->PushEndOfStream();
    EXPECT_EQ(rig.sink->Samples().back().start, SamplesToRefTime(200 * 1024, 44100));
    rig.graph.StopAll();
}

TEST(VorbisEncStream, SamplesWithoutADurationFollowOnByTheirLength) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(0.1f, -1, -1, -1), S_OK);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    for (int i = 0; i < 10; ++i) {
        REFERENCE_TIME start = SamplesToRefTime(i * 1000, 44100);
        ASSERT_EQ(rig.source->Push(SilentFrames(1000, 2), start, start), S_OK);
    }
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 10000);
    rig.graph.StopAll();
}

TEST(VorbisEncStream, NonMediaSamplesPassThroughUnchanged) {
    EncoderRig rig(Pcm16());
    ASSERT_EQ(rig.Configure(0.4f, -1, -1, -1), S_OK);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    const std::vector<uint8_t> control{1, 2, 3, 4, 5};
    ASSERT_EQ(rig.source->Push(control, {.streamId = AM_STREAM_CONTROL}), S_OK);
    auto samples = rig.sink->Samples();
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].bytes, control);
    EXPECT_EQ(rig.encoder->SamplesSubmitted(), 0);
    rig.graph.StopAll();
}

TEST(PcmDeinterleave, ScalesSixteenBitValuesAndCopiesFloats) {
    const int16_t values[] = {-32768, 16384, 0, 32767};
    uint8_t bytes[8];
    std::memcpy(bytes, values, sizeof values);
    float left[2], right[2];
    float* out[] = {left, right};
    DeinterleaveFrames(bytes, 2, 2, false, {0, 1}, out, 0);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(right[0], 0.5f);
    EXPECT_EQ(left[1], 0.0f);
    EXPECT_FLOAT_EQ(right[1], 32767.0f / 32768.0f);

    const float floats[] = {1.5f, -0.25f};
    uint8_t floatBytes[8];
    std::memcpy(floatBytes, floats, sizeof floats);
    DeinterleaveFrames(floatBytes, 1, 2, true, {0, 1}, out, 1);
    EXPECT_EQ(left[1], 1.5f);
    EXPECT_EQ(right[1], -0.25f);
}

TEST(PcmDeinterleave, MonoAndStereoRunsScaleEverySampleIntoItsChannel) {
    std::vector<int16_t> values(2 * 19);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int16_t>(i % 3 == 0 ? -32768 : int(i) * 1723 - 30000);
    }
    std::vector<uint8_t> bytes(values.size() * 2 + 1);  // read from an odd address
    std::memcpy(bytes.data() + 1, values.data(), values.size() * 2);
    std::vector<float> a(21, 9.0f), b(21, 9.0f);
    float* out[] = {a.data(), b.data()};
    DeinterleaveFrames(bytes.data() + 1, 19, 2, false, {1, 0}, out, 2);
    for (int f = 0; f < 19; ++f) {
        EXPECT_EQ(b[2 + f], values[2 * f] / 32768.0f) << f;
        EXPECT_EQ(a[2 + f], values[2 * f + 1] / 32768.0f) << f;
    }
    EXPECT_EQ(a[1], 9.0f);  // nothing before the offset is touched
    DeinterleaveFrames(bytes.data() + 1, 21, 1, false, {0}, out, 0);
    for (int f = 0; f < 21; ++f) EXPECT_EQ(a[f], values[f] / 32768.0f) << f;
}

TEST(PcmDeinterleave, SixChannelsGoToVorbisOrder) {
    std::vector<int> map = VorbisChannelMapForInput(6);
    int16_t frame[6];
    for (int k = 0; k < 6; ++k) frame[k] = static_cast<int16_t>(1000 * (k + 1));
    float channels[6][1];
    float* out[6];
    for (int k = 0; k < 6; ++k) out[k] = channels[k];
    DeinterleaveFrames(reinterpret_cast<uint8_t*>(frame), 1, 6, false, map, out, 0);
    // Input front-right (1) lands in Vorbis channel 2, LFE (3) in channel 5.
    EXPECT_FLOAT_EQ(channels[2][0], 2000 / 32768.0f);
    EXPECT_FLOAT_EQ(channels[5][0], 4000 / 32768.0f);
    EXPECT_FLOAT_EQ(channels[1][0], 3000 / 32768.0f);  // centre
    EXPECT_EQ(VorbisChannelMapForInput(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(VorbisChannelMapForInput(5), (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace tarnel
