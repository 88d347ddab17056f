// Feeds arbitrary bytes to the RIFF WAVE chunk walk, the format block decoding and the content
// sniffing. Anything may be refused; nothing may crash, read out of bounds or allocate by the
// file's claims.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/media/ContentSniffer.h"
#include "platform/media/PcmResampler.h"
#include "platform/media/RiffWaveLayout.h"
#include "platform/media/WaveFormatBlock.h"
#include "platform/media/WaveMediaTypes.h"
#include "platform/media/WaveStreamPlan.h"

using namespace tarnel::media;

namespace {

std::vector<uint8_t> Chunk(const char* id, std::vector<uint8_t> body) {
    std::vector<uint8_t> out(id, id + 4);
    uint8_t size[4];
    WriteLe32(size, uint32_t(body.size()));
    out.insert(out.end(), size, size + 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
    return out;
}

std::vector<uint8_t> Riff(std::initializer_list<std::vector<uint8_t>> chunks) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) out.insert(out.end(), c.begin(), c.end());
    WriteLe32(&out[4], uint32_t(out.size() - 8));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    (void)SniffContent(bytes);
    SpanByteSource source(bytes);
    RiffWaveParse parse = ParseRiffWave(source);
    if (!parse.ok()) return 0;
    const RiffWaveLayout& layout = parse.layout;
    // What the parser promises its users.
    if (layout.dataOffset > size || layout.dataSize > size - layout.dataOffset) __builtin_trap();
    auto info = DecodeWaveFormat(layout.formatBlock);
    if (!info || info->blockAlign == 0 || layout.dataSize % info->blockAlign != 0) __builtin_trap();
    // The parser filter offers at least the stored block, typed as audio.
    auto types = WaveOutputTypes(layout.formatBlock);
    if (types.empty() || types[0].format != layout.formatBlock) __builtin_trap();
    // Its delivery plan covers the data exactly, in whole blocks, with rising times.
    WaveStreamPlan plan(layout.dataOffset, layout.dataSize, info->avgBytesPerSec, info->blockAlign,
                        info->Kind() != SampleKind::Compressed);
    uint64_t byte = plan.ByteOfTime(plan.Duration() / 3);
    int64_t last = -1;
    for (int n = 0; n < 64; ++n) {
        auto chunk = plan.ChunkAt(byte, 0, plan.DataSize());
        if (!chunk) break;
        if (chunk->length == 0 || chunk->length % info->blockAlign != 0 || chunk->start < last ||
            chunk->fileOffset + chunk->length > size) {
            __builtin_trap();
        }
        last = chunk->stop;
        byte += chunk->length;
    }
    if (info->Kind() != SampleKind::Compressed) {
        // Run a little of the data through the converter to 16-bit stereo 44.1 kHz.
        auto in = PcmFormat::FromWaveFormat(*info);
        if (!in) __builtin_trap();
        PcmFormat out{44100, 2, 16, false, 0};
        if (in->sampleRate > 384000 || in->channels > 8) return 0;  // keep the run cheap
        auto resampler = PcmResampler::Create(*in, out);
        if (!resampler) return 0;
        const size_t n = std::min<size_t>(layout.dataSize, 4096 - 4096 % info->blockAlign);
        std::vector<uint8_t> buffer(resampler->MaxOutputFrames(n / info->blockAlign) * 4 + 4);
        (void)resampler->Convert(bytes.subspan(layout.dataOffset, n), buffer);
        while (resampler->Drain(buffer) > 0) {
        }
    }
    return 0;
}

// Well-formed files for the replay driver to mutate.
extern "C" size_t TarnelFuzzSeedCount() {
    return 4;
}
extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    std::vector<uint8_t> pcmData(400);
    for (size_t i = 0; i < pcmData.size(); ++i) pcmData[i] = uint8_t(i * 7);
    switch (index) {
        case 0:
            return Riff({Chunk("fmt ", MakePcmWaveFormat(8000, 1, 16)), Chunk("data", pcmData)});
        case 1:
            return Riff({Chunk("LIST", {1, 2, 3}),
                         Chunk("fmt ", MakeExtensibleWaveFormat(48000, 2, 24, 24, 3)),
                         Chunk("data", pcmData), Chunk("JUNK", {9})});
        case 2:
            return Riff(
                {Chunk("data", pcmData), Chunk("fmt ", MakePcmWaveFormat(22050, 2, 32, true))});
        default: {
            std::vector<uint8_t> adpcm(20, 0);
            WriteLe16(&adpcm[0], 0x0011);
            WriteLe16(&adpcm[2], 1);
            WriteLe32(&adpcm[4], 8000);
            WriteLe32(&adpcm[8], 4055);
            WriteLe16(&adpcm[12], 256);
            WriteLe16(&adpcm[14], 4);
            WriteLe16(&adpcm[16], 2);
            WriteLe16(&adpcm[18], 505);
            return Riff({Chunk("fmt ", adpcm), Chunk("data", std::vector<uint8_t>(512))});
        }
    }
}
