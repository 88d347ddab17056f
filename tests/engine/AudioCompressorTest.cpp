#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cmath>

#include "framework/FilterRegistry.h"
#include "framework/Guids.h"
#include "platform/media/compressors/AudioCompressorCodec.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "tests/engine/CompressedWave.h"
#include "tests/engine/FfmpegDecode.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

using media::AudioCompressorCodec;
using media::AudioCompressorDescription;
using media::InstalledAudioCompressors;

using test::Pcm16;
using test::WaveFile;

struct Expectation {
    const char* name;
    const char* encoder;
    uint16_t tag;
    double levelToleranceDb;
    double frequencyToleranceHz;
};
const Expectation kExpected[] = {
    {"IMA ADPCM", "adpcm_ima_wav", 0x0011, 0.6, 1.0},
    {"Microsoft ADPCM", "adpcm_ms", 0x0002, 0.6, 1.0},
    {"CCITT A-Law", "pcm_alaw", 0x0006, 0.2, 1.0},
    {"CCITT u-Law", "pcm_mulaw", 0x0007, 0.2, 1.0},
    {"GSM 6.10", "libgsm_ms", 0x0031, 2.0, 1.0},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Expectation& e, std::ostream* os) {
    *os << e.name;
}

TEST(AudioCompressorList, ListsEveryCompressorTheFfmpegBuildHasInAFixedOrder) {
    std::vector<std::string> expected;
    for (const auto& e : kExpected) {
        if (avcodec_find_encoder_by_name(e.encoder) != nullptr) expected.push_back(e.name);
    }
    std::vector<std::string> listed;
    for (const auto& c : InstalledAudioCompressors()) listed.push_back(c.displayName);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(media::FindAudioCompressor("GSM 6.10") != nullptr,
              avcodec_find_encoder_by_name("libgsm_ms") != nullptr);
    EXPECT_EQ(media::FindAudioCompressor("gsm 6.10"), nullptr);  // exact names only
}

class AudioCompressorRoundTrip : public test::IsolatedTest,
                                 public testing::WithParamInterface<Expectation> {};

TEST_P(AudioCompressorRoundTrip, DecodesBackToTheSameToneAndLength) {
    const Expectation& e = GetParam();
    const AudioCompressorDescription* compressor = media::FindAudioCompressor(e.name);
    if (avcodec_find_encoder_by_name(e.encoder) == nullptr) {
        ASSERT_EQ(compressor, nullptr) << "listed without its encoder";
        GTEST_SKIP() << e.encoder << " is not in this FFmpeg build";  // and so not listed
    }
    ASSERT_NE(compressor, nullptr);
    uint32_t rate = 44100;
    uint16_t channels = 2;
    compressor->NearestInput(rate, channels);
    const auto tone = test::MakeSine(int(rate), channels, 1.5, 440, 0.5);
    std::string why;
    auto codec = AudioCompressorCodec::Open(*compressor, rate, channels, &why);
    ASSERT_TRUE(codec) << why;

    // Fed in awkward pieces (odd byte counts split sample frames) as a stream would be.
    const auto pcm = Pcm16(tone);
    std::vector<uint8_t> encoded;
    size_t at = 0;
    size_t piece = 1;
    while (at < pcm.size()) {
        const size_t n = std::min(piece, pcm.size() - at);
        ASSERT_TRUE(codec->Encode(std::span(pcm).subspan(at, n), encoded));
        at += n;
        piece = piece * 3 + 7;
    }
    ASSERT_TRUE(codec->Flush(encoded));
    EXPECT_EQ(codec->FramesIn(), tone.frames());
    if (codec->FrameSize() > 0) {
        EXPECT_EQ(encoded.size() % codec->BlockAlign(), 0u);
    }

    const auto path = root() / "compressed.wav";
    test::WriteFileBytes(path, WaveFile(codec->FormatBlock(), encoded));
    const auto decoded = test::DecodeWithFfmpeg(path);
    EXPECT_EQ(decoded.codecTag, e.tag);
    EXPECT_EQ(decoded.audio.sampleRate, int(rate));
    EXPECT_EQ(decoded.audio.channels, channels);
    // At most one block of silence pads the end.
    const double blockSeconds = std::max(codec->FrameSize(), 1) / double(rate);
    EXPECT_GE(decoded.audio.seconds(), 1.5 - 1e-9);
    EXPECT_LE(decoded.audio.seconds(), 1.5 + blockSeconds + 1e-9);
    const size_t skip = rate / 10;
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, skip) -
                    test::RmsDb(test::MakeSine(int(rate), channels, 1.4, 440, 0.5), 0),
                0.0, e.levelToleranceDb + 0.1 /* the padded tail */);
    EXPECT_NEAR(test::EstimateFrequency(test::Slice(decoded.audio, 0.1, 1.4), channels - 1), 440.0,
                e.frequencyToleranceHz);
}

INSTANTIATE_TEST_SUITE_P(EachCompressor, AudioCompressorRoundTrip, testing::ValuesIn(kExpected),
                         [](const auto& info) {
                             std::string name = info.param.encoder;
                             for (char& c : name) c = std::isalnum(uint8_t(c)) ? c : '_';
                             return name;
                         });

TEST(AudioCompressorCodec, RefusesInputTheEncoderCannotTake) {
    const auto* gsm = media::FindAudioCompressor("GSM 6.10");
    if (gsm == nullptr) GTEST_SKIP() << "no GSM 6.10 encoder in this FFmpeg build";
    std::string why;
    EXPECT_FALSE(AudioCompressorCodec::Open(*gsm, 44100, 1, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(AudioCompressorCodec::Open(*gsm, 8000, 2));
    EXPECT_TRUE(AudioCompressorCodec::Open(*gsm, 8000, 1));
    uint32_t rate = 22050;
    uint16_t channels = 2;
    gsm->NearestInput(rate, channels);
    EXPECT_EQ(rate, 8000u);
    EXPECT_EQ(channels, 1);

    const auto* ima = media::FindAudioCompressor("IMA ADPCM");
    ASSERT_NE(ima, nullptr);
    EXPECT_FALSE(AudioCompressorCodec::Open(*ima, 44100, 3));
    EXPECT_FALSE(AudioCompressorCodec::Open(*ima, 0, 2));
}

TEST(AudioCompressorCodec, FormatBlockDescribesTheBlocks) {
    const auto* ima = media::FindAudioCompressor("IMA ADPCM");
    ASSERT_NE(ima, nullptr);
    auto codec = AudioCompressorCodec::Open(*ima, 22050, 1);
    ASSERT_TRUE(codec);
    const auto& f = codec->FormatBlock();
    ASSERT_GE(f.size(), 20u);
    auto le16 = [&](size_t at) { return uint32_t(f[at] | f[at + 1] << 8); };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    EXPECT_EQ(le16(0), 0x0011u);
    EXPECT_EQ(le16(2), 1u);
    EXPECT_EQ(le32(4), 22050u);
    EXPECT_EQ(le16(12), codec->BlockAlign());
    EXPECT_EQ(le16(14), 4u);                            // bits per sample
    EXPECT_EQ(le16(16), f.size() - 18);                 // cbSize covers the extra bytes
    EXPECT_EQ(le16(18), uint32_t(codec->FrameSize()));  // samples per block
    // Bytes per second follow from the block size and the samples in a block.
    EXPECT_NEAR(double(le32(8)), codec->BlockAlign() * 22050.0 / codec->FrameSize(), 1.0);
}

TEST(AudioCompressorFilter, AcceptsOnly16BitPcmTheEncoderTakes) {
    const auto* ima = media::FindAudioCompressor("IMA ADPCM");
    ASSERT_NE(ima, nullptr);
    media::AudioCompressorFilter filter(*ima);
    auto pcm16 = MakeAudioMediaType(MakePcmFormat(2, 44100, 16));
    auto pcm8 = MakeAudioMediaType(MakePcmFormat(2, 44100, 8));
    auto tooMany = MakeAudioMediaType(MakePcmFormat(6, 44100, 16));
    EXPECT_EQ(filter.CheckInputType(&pcm16), S_OK);
    EXPECT_EQ(filter.CheckInputType(&pcm8), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter.CheckInputType(&tooMany), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType out;
    EXPECT_EQ(filter.GetMediaType(0, &out), E_UNEXPECTED);  // no input yet
    GUID clsid;
    ASSERT_EQ(filter.GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, TarnelAudioCompressorClsid(0x0011));
}

TEST(AudioCompressorFilter, RegistersInTheAudioCompressorCategoryByName) {
    FilterRegistry registry;
    media::RegisterAudioCompressors(registry);
    const auto entries = registry.EntriesInCategory(CLSID_AudioCompressorCategory);
    ASSERT_EQ(entries.size(), InstalledAudioCompressors().size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, InstalledAudioCompressors()[i].displayName);
        EXPECT_LE(entries[i].merit, MERIT_DO_NOT_USE) << "never inserted by intelligent connection";
        std::shared_ptr<IBaseFilter> filter;
        ASSERT_EQ(registry.CreateInstance(entries[i].clsid, &filter), S_OK);
        ASSERT_TRUE(filter);
    }
    EXPECT_TRUE(registry.EntriesInCategory(CLSID_VideoCompressorCategory).empty());
}

}  // namespace
}  // namespace tarnel
