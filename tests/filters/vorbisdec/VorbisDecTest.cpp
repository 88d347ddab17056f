#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisdec/PcmInterleave.h"
#include "framework/RefTime.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PinHelpers.h"
#include "tests/support/filters/PushSource.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel {
namespace {

using test::harness::CaptureSink;
using test::harness::PushSource;
using test::harness::RecordingGraph;

int16_t Sample16(const uint8_t* at) {
    return static_cast<int16_t>(at[0] | (at[1] << 8));
}

TEST(PcmInterleave, FloatToSixteenBitTruncatesAndClamps) {
    float left[] = {1.0f, -1.0f, 1.5f, -1.5f, 0.99999f};
    float* pcm[] = {left};
    uint8_t out[10];
    InterleaveFrames(pcm, 0, 5, 1, {0}, 1.0f, false, out);
    EXPECT_EQ(Sample16(out), 32767);
    EXPECT_EQ(Sample16(out + 2), -32767);
    EXPECT_EQ(Sample16(out + 4), 32767);
    EXPECT_EQ(Sample16(out + 6), -32768);
    EXPECT_EQ(Sample16(out + 8), 32766);  // 32766.67 toward zero

    InterleaveFrames(pcm, 0, 1, 1, {0}, 0.5f, false, out);
    EXPECT_EQ(Sample16(out), 16383);
    uint8_t floats[4];
    InterleaveFrames(pcm, 2, 1, 1, {0}, 0.5f, true, floats);
    float value;
    std::memcpy(&value, floats, 4);
    EXPECT_EQ(value, 0.75f);
}

// Runs long enough for the vector loop and its tail, with the edge values in both channels, a
// swapped map and an offset start: every sample as the one-sample rule gives it.
TEST(PcmInterleave, MonoAndStereoRunsFollowTheSampleRule) {
    const float edges[] = {1.0f,     -1.0f,     1.5f,   -1.5f,        0.99999f, -0.0f, NAN,
                           INFINITY, -INFINITY, 1e-30f, 0.5f / 32767, -0.7f,    0.25f};
    std::vector<float> left(23), right(23);
    for (size_t f = 0; f < left.size(); ++f) {
        left[f] = edges[f % std::size(edges)];
        right[f] = edges[(f + 5) % std::size(edges)] * 0.9f;
    }
    auto rule = [](float value, float gain) {
        const double scaled = double(value) * double(gain * 32767.0f);
        if (std::isnan(scaled)) return int16_t(0);
        return int16_t(std::trunc(std::clamp(scaled, -32768.0, 32767.0)));
    };
    float* pcm[] = {left.data(), right.data()};
    const int first = 2, count = 21;
    for (float gain : {1.0f, 0.6f}) {
        for (const std::vector<int>& map : {std::vector<int>{0, 1}, std::vector<int>{1, 0}}) {
            std::vector<uint8_t> out(count * 4);
            InterleaveFrames(pcm, first, count, 2, map, gain, false, out.data());
            for (int f = 0; f < count; ++f) {
                EXPECT_EQ(Sample16(&out[4 * f + 2 * map[0]]), rule(left[first + f], gain)) << f;
                EXPECT_EQ(Sample16(&out[4 * f + 2 * map[1]]), rule(right[first + f], gain)) << f;
            }
        }
        std::vector<uint8_t> mono(count * 2);
        InterleaveFrames(pcm, first, count, 1, {0}, gain, false, mono.data());
        for (int f = 0; f < count; ++f) {
            EXPECT_EQ(Sample16(&mono[2 * f]), rule(left[first + f], gain)) << f;
        }
    }
}

TEST(PcmInterleave, SixVorbisChannelsGoToWaveOrder) {
    float channels[6][1];
    float* pcm[6];
    for (int j = 0; j < 6; ++j) {
        channels[j][0] = 0.1f * (j + 1);
        pcm[j] = channels[j];
    }
    float out[6];
    InterleaveFrames(pcm, 0, 1, 6, WaveChannelMapForVorbis(6), 1.0f, true,
                     reinterpret_cast<uint8_t*>(out));
    EXPECT_FLOAT_EQ(out[2], 0.2f);  // Vorbis centre (1) at WAVE position 2
    EXPECT_FLOAT_EQ(out[3], 0.6f);  // Vorbis LFE (5) at WAVE position 3
    EXPECT_FLOAT_EQ(out[1], 0.3f);
    EXPECT_FLOAT_EQ(out[4], 0.4f);
    EXPECT_FLOAT_EQ(out[5], 0.5f);
    EXPECT_EQ(WaveChannelMapForVorbis(2), (std::vector<int>{0, 1}));
}

TEST(PcmInterleave, GainValuesAreDecimalNumbers) {
    float gain = 0;
    EXPECT_TRUE(ParseGainValue("0.5", &gain));
    EXPECT_EQ(gain, 0.5f);
    EXPECT_TRUE(ParseGainValue(" 1.25dB", &gain));  // the number, whatever follows
    EXPECT_EQ(gain, 1.25f);
    EXPECT_FALSE(ParseGainValue("loud", &gain));
    EXPECT_FALSE(ParseGainValue("", &gain));
    EXPECT_FALSE(ParseGainValue("inf", &gain));
}

CMediaType VorbisType(uint16_t channels, uint32_t rate) {
    VorbisFormatBlock block;
    block.channels = channels;
    block.samplesPerSec = rate;
    return MakeVorbisMediaType(block);
}

class DecoderRig {
public:
    DecoderRig(uint16_t channels, uint32_t rate, bool floatFirst = false) {
        source = std::make_shared<PushSource>(VorbisType(channels, rate), 65536, 2);
        decoder = std::make_shared<CVorbisDec>();
        decoder->SetFloatFirst(floatFirst);
        sink = std::make_shared<CaptureSink>();
        graph.AddFilter(sink, "sink");
        graph.AddFilter(decoder, "Decoder");
        graph.AddFilter(source, "source");
        connected = SUCCEEDED(test::harness::ConnectPins(source->Pin(), decoder->InputPin())) &&
                    SUCCEEDED(test::harness::ConnectPins(decoder->OutputPin(), sink->Pin()));
    }
    void PushHeaders(const test::VorbisPacketSet& set) {
        for (const auto& header : set.headers) source->Push(header, 0, 0);
    }
    HRESULT PushPacket(const test::VorbisPacket& packet, int rate) {
        REFERENCE_TIME time = SamplesToRefTime(packet.granule, rate);
        return source->Push(packet.bytes, time, time);
    }
    // Interleaved 16-bit output of all samples.
    std::vector<int16_t> Output16() const {
        std::vector<int16_t> values;
        for (const auto& sample : sink->Samples()) {
            for (size_t i = 0; i + 1 < sample.bytes.size(); i += 2)
                values.push_back(Sample16(&sample.bytes[i]));
        }
        return values;
    }

    RecordingGraph graph;
    std::shared_ptr<PushSource> source;
    std::shared_ptr<CVorbisDec> decoder;
    std::shared_ptr<CaptureSink> sink;
    bool connected = false;
};

double RmsOf(const std::vector<int16_t>& values) {
    double sum = 0;
    for (int16_t v : values) sum += double(v) * v;
    return values.empty() ? 0 : std::sqrt(sum / values.size());
}

TEST(VorbisDecTypes, OffersSixteenBitFirstAndExtensibleForMoreChannels) {
    CVorbisDec unconnected;
    CMediaType type;
    EXPECT_EQ(unconnected.GetMediaType(0, &type), E_UNEXPECTED);
    std::string id;
    unconnected.InputPin()->QueryId(&id);
    EXPECT_EQ(id, "In");

    DecoderRig stereo(2, 44100);
    ASSERT_TRUE(stereo.connected);
    EXPECT_EQ(stereo.decoder->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(stereo.decoder->GetMediaType(2, &type), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(stereo.decoder->GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(type.format.size(), 18u);
    EXPECT_EQ(type.WaveFormatEx()->wBitsPerSample, 16);
    ASSERT_EQ(stereo.decoder->GetMediaType(1, &type), S_OK);
    EXPECT_EQ(type.WaveFormatEx()->wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(type.WaveFormatEx()->nAvgBytesPerSec, 8u * 44100);

    DecoderRig surround(6, 48000, true);
    ASSERT_TRUE(surround.connected);
    ASSERT_EQ(surround.decoder->GetMediaType(0, &type), S_OK);
    ASSERT_EQ(type.format.size(), 40u);
    auto info = type.WaveFormat();
    ASSERT_TRUE(info && info->extensible);
    EXPECT_EQ(info->extensible->SubFormat, KSDATAFORMAT_SUBTYPE_IEEE_FLOAT);
    EXPECT_EQ(info->extensible->wValidBitsPerSample, 32);
    EXPECT_EQ(info->format.nBlockAlign, 24);

    CMediaType pcm = MakeAudioMediaType(MakePcmFormat(2, 44100, 16));
    EXPECT_EQ(stereo.decoder->CheckInputType(&pcm), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType zeroRate = MakeAudioMediaType(MakePcmFormat(2, 0, 16));
    CMediaType in = VorbisType(2, 44100);
    EXPECT_EQ(stereo.decoder->CheckTransform(&in, &zeroRate), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(VorbisDecStream, LookAheadAndSampleExactEnd) {
    auto audio = test::MakeSine(44100, 2, 1.3, 500.0, 0.5);
    auto set = test::EncodeVorbisPackets(audio);
    DecoderRig rig(2, 44100);
    ASSERT_TRUE(rig.connected);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    rig.PushHeaders(set);
    EXPECT_TRUE(rig.sink->Samples().empty());
    // The first two audio packets: the first is decoded only now, and gives no audio yet.
    rig.PushPacket(set.audio[0], 44100);
    rig.PushPacket(set.audio[1], 44100);
    EXPECT_TRUE(rig.sink->Samples().empty());
    rig.PushPacket(set.audio[2], 44100);
    EXPECT_EQ(rig.sink->Samples().size(), 1u);
    for (size_t i = 3; i < set.audio.size(); ++i) rig.PushPacket(set.audio[i], 44100);
    rig.source->PushEndOfStream();
    EXPECT_EQ(rig.sink->EndOfStreamCount(), 1);

    auto output = rig.Output16();
    EXPECT_EQ(output.size(), audio.samples.size());
    // Times run on without gaps from 0.
    REFERENCE_TIME expected = 0;
    for (const auto& sample : rig.sink->Samples()) {
        EXPECT_EQ(sample.start, expected);
        expected = sample.stop;
    }
    EXPECT_EQ(expected, SamplesToRefTime(static_cast<int64_t>(audio.frames()), 44100));

    // Same samples as libvorbisfile's decode of the same packets, within rounding (it scales
    // by 32768 and rounds; we scale by 32767 and truncate).
    auto reference = test::DecodeWithVorbisfile(test::EncodeOggVorbis(audio));
    ASSERT_EQ(reference.pcm16.size(), output.size());
    int worst = 0;
    for (size_t i = 0; i < output.size(); ++i)
        worst = std::max(worst, std::abs(output[i] - reference.pcm16[i]));
    EXPECT_LE(worst, 2);
    rig.graph.StopAll();
}

TEST(VorbisDecStream, PacketBeforeANegativeTimeIsNotSynthesised) {
    auto set = test::EncodeVorbisPackets(test::MakeSine(22050, 1, 0.5, 500.0, 0.5));
    DecoderRig rig(1, 22050);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    rig.PushHeaders(set);
    rig.PushPacket(set.audio[0], 22050);
    rig.PushPacket(set.audio[1], 22050);
    rig.PushPacket(set.audio[2], 22050);  // audio[1] decoded: first output
    size_t before = rig.Output16().size();
    EXPECT_GT(before, 0u);
    rig.source->Push(set.audio[3].bytes, -10'000, -10'000);  // audio[2] skipped
    EXPECT_EQ(rig.Output16().size(), before);
    rig.graph.StopAll();
}

std::vector<int16_t> DecodeWithComments(std::vector<std::pair<std::string, std::string>> tags,
                                        CVorbisDec** decoder = nullptr) {
    test::OggEncodeOptions options;
    options.comments = std::move(tags);
    auto set = test::EncodeVorbisPackets(test::MakeSine(22050, 1, 0.5, 500.0, 0.5), options);
    DecoderRig rig(1, 22050);
    rig.graph.PauseAll();
    rig.PushHeaders(set);
    for (const auto& packet : set.audio) rig.PushPacket(packet, 22050);
    rig.source->PushEndOfStream();
    auto output = rig.Output16();
    EXPECT_EQ(output.size(), 11025u);
    rig.graph.StopAll();
    return output;
}

TEST(VorbisDecGain, PostGainScalesAndLwingGainWins) {
    auto plain = DecodeWithComments({});
    auto half = DecodeWithComments({{"POSTGAIN", "0.5"}});
    auto lwing = DecodeWithComments({{"POSTGAIN", "0.5"}, {"LWING_GAIN", "0.25"}});
    auto junk = DecodeWithComments({{"POSTGAIN", "abc"}});
    ASSERT_EQ(plain.size(), half.size());
    EXPECT_NEAR(RmsOf(half) / RmsOf(plain), 0.5, 0.01);
    EXPECT_NEAR(RmsOf(lwing) / RmsOf(plain), 0.25, 0.01);
    EXPECT_EQ(junk, plain);  // an unreadable gain is no gain, not silence
}

TEST(VorbisDecStream, AudioWithoutHeadersFailsCleanly) {
    auto set = test::EncodeVorbisPackets(test::MakeSine(22050, 1, 0.3, 500.0, 0.5));
    DecoderRig rig(1, 22050);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    rig.PushPacket(set.audio[0], 22050);
    EXPECT_EQ(rig.PushPacket(set.audio[1], 22050), E_FAIL);
    auto events = rig.graph.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].code, EC_ERRORABORT);
    rig.graph.StopAll();

    // Headers of another channel count than negotiated are refused, not written past frames.
    auto stereo = test::EncodeVorbisPackets(test::MakeSine(22050, 2, 0.3, 500.0, 0.5));
    DecoderRig mono(1, 22050);
    ASSERT_EQ(mono.graph.PauseAll(), S_OK);
    mono.PushHeaders(stereo);
    mono.PushPacket(stereo.audio[0], 22050);
    EXPECT_EQ(mono.PushPacket(stereo.audio[1], 22050), E_FAIL);
    EXPECT_TRUE(mono.sink->Samples().empty());
    mono.graph.StopAll();
}

}  // namespace
}  // namespace tarnel
