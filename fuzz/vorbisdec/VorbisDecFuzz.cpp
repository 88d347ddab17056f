// Fuzzes the Vorbis decoder filter with a packet sequence: byte 0 picks the channel count of
// the connection (1..8), then every packet is a 16-bit little-endian length and its bytes.
// Header packets (odd first byte) are stored, audio packets decoded with the look-ahead.
#include <cstdint>
#include <vector>

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "framework/RefTime.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PushSource.h"

using namespace tarnel;
using test::harness::CaptureSink;
using test::harness::PushSource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    VorbisFormatBlock block;
    block.channels = static_cast<uint16_t>(1 + data[0] % 8);
    block.samplesPerSec = 8000;
    auto source = std::make_shared<PushSource>(MakeVorbisMediaType(block), 70000);
    auto decoder = std::make_shared<CVorbisDec>();
    auto sink = std::make_shared<CaptureSink>();
    sink->keepBytes = false;
    if (SUCCEEDED(source->Pin()->Connect(decoder->InputPin(), nullptr)) &&
        SUCCEEDED(decoder->OutputPin()->Connect(sink->Pin(), nullptr))) {
        sink->Pause();
        decoder->Pause();
        source->Pause();
        size_t at = 1;
        int64_t granule = 0;
        int index = 0;
        while (at + 2 <= size) {
            size_t length = data[at] | (data[at + 1] << 8);
            at += 2;
            length = std::min(length, size - at);
            REFERENCE_TIME start = SamplesToRefTime(granule, 8000);
            if (index % 29 == 28) start = -1;  // now and then a negative time
            source->Push({data + at, length}, {.start = start,
                                               .stop = start + 1,
                                               .syncPoint = false,
                                               .discontinuity = index % 37 == 36});
            at += length;
            granule += 256;
            ++index;
        }
        source->PushEndOfStream();
        sink->Stop();
        decoder->Stop();
        source->Stop();
    }
    decoder->OutputPin()->Disconnect();
    sink->Pin()->Disconnect();
    source->Pin()->Disconnect();
    decoder->InputPin()->Disconnect();
    return 0;
}
