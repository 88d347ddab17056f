// Fuzzes the Ogg splitter: the connection scan (headers, chapters, groups, duration), the
// reading and delivery threads over the whole input, and the seek search.
#include <cstdint>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include "filters/oggsplitter/COggSplitter.h"
#include "fuzz/oggsplitter/FuzzFilters.h"

using namespace tarnel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto bytes = std::make_shared<fuzz::BytesFilter>(std::vector<uint8_t>(data, data + size));
    auto splitter = std::make_shared<COggSplitter>();
    if (FAILED(bytes->Pin()->Connect(splitter->InputPin(), nullptr))) return 0;
    std::vector<std::shared_ptr<fuzz::NullSink>> sinks;
    for (int i = 0; i < splitter->OutputCount(); ++i) {
        auto sink = std::make_shared<fuzz::NullSink>();
        if (SUCCEEDED(splitter->OutputPin(i)->Connect(sink->Pin(), nullptr))) sinks.push_back(sink);
    }
    uint32_t count = 0;
    splitter->Count(&count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        uint32_t flags = 0, lcid = 0, group = 0;
        splitter->Info(static_cast<int32_t>(i), nullptr, &flags, &lcid, &group, &name, nullptr,
                       nullptr);
    }
    if (splitter->OutputCount() > 0) {
        // A seek into the middle exercises the byte search.
        int64_t duration = 0;
        splitter->GetDuration(&duration);
        int64_t target = duration > 0 && duration < (int64_t{1} << 50) ? duration / 2 : 0;
        splitter->SetPositions(splitter->OutputPin(0), &target, AM_SEEKING_AbsolutePositioning,
                               nullptr, AM_SEEKING_NoPositioning);
        target = 0;
        splitter->SetPositions(splitter->OutputPin(0), &target, AM_SEEKING_AbsolutePositioning,
                               nullptr, AM_SEEKING_NoPositioning);
        for (auto& sink : sinks) sink->Pause();
        splitter->Pause();
        for (auto& sink : sinks) sink->WaitEnded(5000);
        for (auto& sink : sinks) sink->Stop();
        splitter->Stop();
    }
    for (int i = 0; i < splitter->OutputCount(); ++i) {
        if (IPin* other = splitter->OutputPin(i)->GetConnected()) other->Disconnect();
        splitter->OutputPin(i)->Disconnect();
    }
    splitter->InputPin()->Disconnect();
    bytes->Pin()->Disconnect();
    return 0;
}

namespace {

// A short Ogg Vorbis file made here, with a chapter and a language, as the seed to mutate.
std::vector<uint8_t> VorbisSeed(int packetsPerPage) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 1, 8000, 0.0f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "CHAPTER01", "00:00:00.500");
    vorbis_comment_add_tag(&comment, "LANGUAGE", "english");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 42);
    ogg_packet a, b, c;
    vorbis_analysis_headerout(&dsp, &comment, &a, &b, &c);
    ogg_stream_packetin(&stream, &a);
    ogg_stream_packetin(&stream, &b);
    ogg_stream_packetin(&stream, &c);
    ogg_page page;
    auto append = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&stream, &page)) append();
    int packets = 0;
    for (int round = 0; round <= 4; ++round) {
        if (round == 4) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, 2000);
            for (int i = 0; i < 2000; ++i) buffer[0][i] = static_cast<float>((i % 40) - 20) / 40.0f;
            vorbis_analysis_wrote(&dsp, 2000);
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                if (++packets % packetsPerPage == 0)
                    while (ogg_stream_flush(&stream, &page)) append();
            }
        }
    }
    while (ogg_stream_flush(&stream, &page)) append();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace

extern "C" size_t TarnelFuzzSeedCount() {
    return 2;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    return VorbisSeed(index == 0 ? 3 : 1000);
}
