// Compressed WAVE sources through the conversion engine. The PCM converter decompresses them
// where intelligent connection puts it (behind the WAVE parser), as the ACM Wrapper does, so
// they convert to every export like PCM sources.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/Converter.h"
#include "engine/SourceProbe.h"
#include "filters/mp3enc/CMP3EncFilter.h"
#include "filters/oggmux/COggMux.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "settings/SettingsStore.h"
#include "tests/engine/CompressedWave.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/FfmpegDecode.h"

namespace tarnel {
namespace {

struct Source {
    const char* compressor;  // display name, or "G.726"
    uint16_t tag;
    int rate;
    int channels;
};
const Source kSources[] = {
    {"IMA ADPCM", 0x0011, 22050, 2},  {"Microsoft ADPCM", 0x0002, 11025, 2},
    {"CCITT A-Law", 0x0006, 8000, 1}, {"CCITT u-Law", 0x0007, 16000, 2},
    {"GSM 6.10", 0x0031, 8000, 1},    {"G.726", 0x0045, 8000, 1},
};
void PrintTo(const Source& s, std::ostream* os) {
    *os << s.compressor;
}

class CompressedWavSource : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        RegisterMp3Encoder(registry);
        RegisterVorbisEncoder(registry);
        RegisterOggMux(registry);
    }

    std::filesystem::path MakeSource(const Source& s, double seconds) {
        const auto audio = test::MakeSine(s.rate, s.channels, seconds, 440, 0.6);
        const auto bytes = std::string(s.compressor) == "G.726"
                               ? test::G726WaveFile(audio)
                               : test::CompressedWaveFile(s.compressor, audio);
        EXPECT_FALSE(bytes.empty()) << s.compressor << " could not be encoded";
        const auto path = workDir() / "source.wav";
        test::WriteFileBytes(path, bytes);
        return path;
    }

    // Builds and runs the conversion; false when the graph failed to build or to finish.
    bool Convert(const std::filesystem::path& from, int32_t exportFormat,
                 const std::filesystem::path& to, uint32_t rate, uint16_t channels) {
        Converter c(ConverterServices{&registry, {}, {}});
        c.exportFormat = exportFormat;
        WmaSettings wma;
        SettingsStore().ReadWmaSettings(wma);
        c.wmaCodecIndex = wma.codecIndex;
        c.wmaFormatIndex = wma.formatIndex;
        c.wmaVbr = wma.vbr;
        c.targetFormat.nSamplesPerSec = rate;
        c.targetFormat.nChannels = channels;
        c.targetFormat.wBitsPerSample = 16;
        c.Prepare(from, to, kFormatWav, {}, 1632);
        const HRESULT built = c.BuildGraph();
        EXPECT_EQ(built, S_OK);
        if (FAILED(built)) return false;
        // Intelligent connection put the PCM converter behind the parser to decompress.
        EXPECT_TRUE(Contains(c.FilterNames(), "ACM Wrapper"));
        EXPECT_GE(c.Run(), 0);
        int32_t code = 0;
        EXPECT_EQ(c.Events()->WaitForCompletion(30000, &code), S_OK);
        return code == EC_COMPLETE;
    }
};

class EachCompressedFormat : public CompressedWavSource,
                             public testing::WithParamInterface<Source> {};

TEST_P(EachCompressedFormat, IsListedAndConvertsToWavAsFfmpegDecodesIt) {
    const Source& s = GetParam();
    const auto source = MakeSource(s, 1.3);
    const ProbeResult probed = ProbeFile(source, registry);
    EXPECT_EQ(probed.formatName, "WAV");
    EXPECT_NEAR(probed.seconds, 1.3, 0.1);  // the last block is padded

    const auto out = root() / "out.wav";
    ASSERT_TRUE(Convert(source, kFormatWav, out, uint32_t(s.rate), uint16_t(s.channels)));
    const test::DecodedFile reference = test::DecodeWithFfmpeg(source);
    ASSERT_EQ(reference.codecTag, s.tag);
    const test::WavInfo converted = test::ReadWav(out);
    ASSERT_EQ(converted.audio.channels, s.channels);
    ASSERT_EQ(converted.audio.sampleRate, s.rate);
    ASSERT_EQ(converted.audio.frames(), reference.audio.frames());
    double worst = 0;
    for (size_t i = 0; i < reference.audio.samples.size(); ++i) {
        worst = std::max(worst,
                         std::abs(converted.audio.samples[i] - reference.audio.samples[i]) * 32768);
    }
    EXPECT_LE(worst, 1.0 + 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Formats, EachCompressedFormat, testing::ValuesIn(kSources));

// Writers estimate the average byte rate of ADPCM in the header (FFmpeg writes 16000 for IMA
// ADPCM at 44100 Hz mono); the length comes from the blocks' own samples per block instead.
TEST_F(CompressedWavSource, LengthOfBlockFormatsIgnoresAnEstimatedByteRate) {
    for (const char* compressor : {"IMA ADPCM", "Microsoft ADPCM", "GSM 6.10"}) {
        const Source s{compressor, 0, 8000, 1};
        const auto source = MakeSource(s, 2.0);
        auto bytes = test::ReadFileBytes(source);
        ASSERT_GT(bytes.size(), 32u);
        for (int i = 0; i < 4; ++i) bytes[28 + i] = uint8_t(16000 >> (8 * i));  // fmt avg rate
        test::WriteFileBytes(source, bytes);
        EXPECT_NEAR(ProbeFile(source, registry).seconds, 2.0, 0.05) << compressor;
    }
}

TEST_F(CompressedWavSource, ConvertsToEveryOtherExport) {
    const auto source = MakeSource(kSources[0], 2.0);
    struct Export {
        int32_t format;
        const char* name;
    };
    for (const Export e : {Export{kFormatMp3, "out.mp3"}, Export{kFormatOgg, "out.ogg"},
                           Export{kFormatWma, "out.wma"}}) {
        const auto out = root() / e.name;
        ASSERT_TRUE(Convert(source, e.format, out, 44100, 2)) << e.name;
        const test::DecodedFile decoded = test::DecodeWithFfmpeg(out);
        EXPECT_NEAR(decoded.audio.seconds(), 2.0, 0.1) << e.name;
        EXPECT_NEAR(test::EstimateFrequency(test::Slice(decoded.audio, 0.2, 1.8), 0), 440.0, 2.0)
            << e.name;
    }
}

}  // namespace
}  // namespace tarnel
