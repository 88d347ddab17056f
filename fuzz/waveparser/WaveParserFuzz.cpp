// Feeds arbitrary bytes to the RIFF WAVE chunk walk, the format block decoding and the content
// sniffing. Anything may be refused; nothing may crash, read out of bounds or allocate by the
// file's claims.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/WaveFormat.h"
#include "platform/media/files/ContentSniffer.h"
#include "platform/media/pcm/PcmResampler.h"
#include "platform/media/wave/RiffWaveLayout.h"
#include "platform/media/wave/WaveMediaTypes.h"
#include "platform/media/wave/WaveStreamPlan.h"

using namespace tarnel;
using namespace tarnel::media;

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
