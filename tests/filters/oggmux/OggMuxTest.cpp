#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <thread>

#include <ogg/ogg.h>

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/oggmux/COggMux.h"
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

bool IsOggStream(const CMediaType& type) {
    return type.majortype == MEDIATYPE_Stream && type.subtype == MEDIASUBTYPE_OggStream;
}

struct OggPacketRead {
    int serial = 0;
    std::vector<uint8_t> bytes;
    int64_t granule = 0;
    bool bos = false;
    bool eos = false;
};

// All packets of all logical streams, in file order, read with libogg.
std::vector<OggPacketRead> ReadPackets(const std::vector<uint8_t>& file) {
    std::vector<OggPacketRead> packets;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::memcpy(buffer, file.data(), file.size());
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    std::map<int, ogg_stream_state> streams;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        int serial = ogg_page_serialno(&page);
        if (!streams.count(serial)) ogg_stream_init(&streams[serial], serial);
        ogg_stream_pagein(&streams[serial], &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&streams[serial], &packet) == 1) {
            packets.push_back({serial,
                               std::vector<uint8_t>(packet.packet, packet.packet + packet.bytes),
                               packet.granulepos, packet.b_o_s != 0, packet.e_o_s != 0});
        }
    }
    for (auto& [serial, stream] : streams) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return packets;
}

// One or more push sources into the multiplexer, its output captured as a file.
class MuxRig {
public:
    explicit MuxRig(std::vector<CMediaType> inputs) {
        mux = std::make_shared<COggMux>();
        sink = std::make_shared<CaptureSink>(IsOggStream);
        sink->writeAtStartTime = true;
        graph.AddFilter(sink, "File Writer");
        graph.AddFilter(mux, "Ogg Mux");
        connected = SUCCEEDED(test::harness::ConnectPins(mux->OutputPin(), sink->Pin()));
        for (size_t i = 0; i < inputs.size(); ++i) {
            auto source = std::make_shared<PushSource>(inputs[i], 65536, 4);
            graph.AddFilter(source, "source");
            connected = connected &&
                        SUCCEEDED(test::harness::ConnectPins(source->Pin(), mux->InputPin((int)i)));
            sources.push_back(source);
        }
    }

    RecordingGraph graph;
    std::shared_ptr<COggMux> mux;
    std::shared_ptr<CaptureSink> sink;
    std::vector<std::shared_ptr<PushSource>> sources;
    bool connected = false;
};

CMediaType VorbisType(uint16_t channels = 2, uint32_t rate = 44100) {
    VorbisFormatBlock block;
    block.channels = channels;
    block.samplesPerSec = rate;
    return MakeVorbisMediaType(block);
}

// Pushes encoder-style samples: the headers at 0, then packets at their granule times.
void PushVorbisPackets(PushSource& source, const test::VorbisPacketSet& set,
                       int64_t offsetSamples = 0) {
    for (const auto& header : set.headers) source.Push(header, 0, 0);
    for (const auto& packet : set.audio) {
        REFERENCE_TIME start = SamplesToRefTime(packet.granule + offsetSamples, set.rate);
        source.Push(packet.bytes, start, start);
    }
}

TEST(OggMuxPins, OneFreeInputPinAlwaysExists) {
    COggMux mux;
    EXPECT_EQ(mux.GetPinCount(), 2);
    EXPECT_EQ(mux.GetPin(0), mux.OutputPin());
    EXPECT_EQ(mux.GetPin(2), nullptr);
    PIN_INFO info;
    mux.GetPin(1)->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Stream 0");
    mux.OutputPin()->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Ogg Stream");

    CMediaType pcm = MakeAudioMediaType(MakePcmFormat(2, 44100, 16));
    CMediaType mp3(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio, FORMAT_WaveFormatEx);
    CMediaType text(MEDIATYPE_Text, GUID_NULL, GUID_NULL);
    EXPECT_EQ(mux.InputPin(0)->CheckMediaType(&pcm), S_OK);
    EXPECT_EQ(mux.InputPin(0)->CheckMediaType(&text), S_OK);
    EXPECT_EQ(mux.InputPin(0)->CheckMediaType(&mp3), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType vorbis = VorbisType();
    EXPECT_EQ(mux.InputPin(0)->CheckMediaType(&vorbis), S_OK);

    MuxRig rig({VorbisType(), VorbisType()});
    ASSERT_TRUE(rig.connected);
    EXPECT_EQ(rig.mux->GetPinCount(), 4);
    rig.mux->GetPin(3)->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Stream 2");
    EXPECT_FALSE(rig.mux->GetPin(3)->IsConnected());
}

TEST(OggMuxPins, OutputOffersOnlyTheOggStreamType) {
    COggMux mux;
    CMediaType type;
    EXPECT_EQ(mux.OutputPin()->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(mux.OutputPin()->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(mux.OutputPin()->GetMediaType(0, &type), S_OK);
    EXPECT_TRUE(IsOggStream(type));
    EXPECT_EQ(mux.OutputPin()->CheckMediaType(&type), S_OK);
    CMediaType other(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE, GUID_NULL);
    EXPECT_EQ(mux.OutputPin()->CheckMediaType(&other), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(OggMuxVorbis, HeadersOnPagesOfTheirOwnAndOurEmptyComment) {
    auto audio = test::MakeSine(44100, 2, 6.0, 440.0, 0.5);
    test::OggEncodeOptions options;
    options.comments = {{"ARTIST", "Somebody"}, {"TITLE", "Something"}};
    auto set = test::EncodeVorbisPackets(audio, options);

    MuxRig rig({VorbisType()});
    ASSERT_TRUE(rig.connected);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    PushVorbisPackets(*rig.sources[0], set);
    rig.sources[0]->PushEndOfStream();
    EXPECT_EQ(rig.sink->EndOfStreamCount(), 1);
    auto file = rig.sink->File();
    rig.graph.StopAll();

    auto pages = test::WalkOggPages(file);
    ASSERT_GT(pages.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages[i].completedPackets, 1) << "page " << i;
        EXPECT_EQ(pages[i].granule, 0);
    }
    EXPECT_EQ(pages[0].headerType & 0x02, 0x02);
    EXPECT_EQ(pages.back().headerType & 0x04, 0x04);
    EXPECT_EQ(pages.back().granule, set.audio.back().granule);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].serial, 0u);
        EXPECT_EQ(pages[i].sequence, i);
        EXPECT_TRUE(pages[i].crcValid);
    }
    auto decoded = test::DecodeWithVorbisfile(file);
    ASSERT_TRUE(decoded.ok);
    EXPECT_TRUE(decoded.comments.empty()) << decoded.comments.front();
    EXPECT_EQ(decoded.totalSamples, static_cast<int64_t>(audio.frames()));

    // Every page sample starts where the bytes before it end.
    int64_t offset = 0;
    for (const auto& sample : rig.sink->Samples()) {
        EXPECT_EQ(sample.start, offset);
        EXPECT_EQ(sample.stop, offset + static_cast<int64_t>(sample.bytes.size()));
        EXPECT_TRUE(sample.syncPoint);
        offset += static_cast<int64_t>(sample.bytes.size());
    }
    EXPECT_EQ(offset, static_cast<int64_t>(file.size()));
}

TEST(OggMuxVorbis, PacketAtOneSecondGetsGranule44100) {
    auto set = test::EncodeVorbisPackets(test::MakeSine(44100, 1, 0.2, 440.0, 0.5));
    MuxRig rig({VorbisType(1, 44100)});
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    for (const auto& header : set.headers) rig.sources[0]->Push(header, 0, 0);
    rig.sources[0]->Push(set.audio[0].bytes, 0, 0);
    rig.sources[0]->Push(set.audio[1].bytes, 10'000'000, 10'000'000);
    rig.sources[0]->PushEndOfStream();
    auto packets = ReadPackets(rig.sink->File());
    rig.graph.StopAll();
    ASSERT_EQ(packets.size(), 5u);
    EXPECT_EQ(packets[4].granule, 44100);
    EXPECT_TRUE(packets[4].eos);
    EXPECT_EQ(packets[3].granule, -1);  // not the last packet on its page
}

TEST(OggMuxVorbis, SeekingReportsTheLastPageAndTheBytesWritten) {
    auto set = test::EncodeVorbisPackets(test::MakeSine(22050, 1, 8.0, 440.0, 0.5));
    MuxRig rig({VorbisType(1, 22050)});
    uint32_t caps = 0;
    EXPECT_EQ(rig.mux->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x38u);
    caps = 0x39;
    EXPECT_EQ(rig.mux->CheckCapabilities(&caps), S_FALSE);
    caps = 0x18;
    EXPECT_EQ(rig.mux->CheckCapabilities(&caps), S_OK);
    GUID format = TIME_FORMAT_SAMPLE;
    EXPECT_EQ(rig.mux->IsFormatSupported(&format), S_FALSE);
    EXPECT_EQ(rig.mux->SetTimeFormat(&format), S_FALSE);
    int64_t duration = 0;
    EXPECT_EQ(rig.mux->GetDuration(&duration), E_NOTIMPL);  // no upstream seeker

    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    PushVorbisPackets(*rig.sources[0], set);
    rig.sources[0]->PushEndOfStream();
    int64_t position = 0;
    ASSERT_EQ(rig.mux->GetCurrentPosition(&position), S_OK);
    // The last page starts somewhere within the last two seconds of the eight.
    EXPECT_GT(position, 60'000'000);
    EXPECT_LE(position, 80'000'000);
    format = TIME_FORMAT_BYTE;
    ASSERT_EQ(rig.mux->SetTimeFormat(&format), S_OK);
    ASSERT_EQ(rig.mux->GetCurrentPosition(&position), S_OK);
    EXPECT_EQ(position, static_cast<int64_t>(rig.sink->File().size()));
    EXPECT_EQ(rig.mux->GetDuration(&duration), E_FAIL);
    rig.graph.StopAll();
}

TEST(OggMuxInterleave, PagesOfTwoStreamsGoOutInTimeOrder) {
    auto setA = test::EncodeVorbisPackets(test::MakeSine(44100, 1, 3.0, 440.0, 0.5));
    auto setB = test::EncodeVorbisPackets(test::MakeSine(44100, 1, 2.0, 660.0, 0.5));
    MuxRig rig({VorbisType(1, 44100), VorbisType(1, 44100)});
    ASSERT_TRUE(rig.connected);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);

    // Stream 0 runs ahead on its own thread; stream 1 has nothing yet and holds it back.
    std::thread ahead([&] {
        PushVorbisPackets(*rig.sources[0], setA);
        rig.sources[0]->PushEndOfStream();
    });
    EXPECT_FALSE(rig.sink->WaitForSamples(1, 300));
    PushVorbisPackets(*rig.sources[1], setB);
    rig.sources[1]->PushEndOfStream();
    ahead.join();
    ASSERT_TRUE(rig.sink->WaitForEndOfStream(5000));
    EXPECT_EQ(rig.sink->EndOfStreamCount(), 1);
    auto file = rig.sink->File();
    rig.graph.StopAll();

    // An audio page begins where the previous page of its stream ended: those times must not
    // go back (within one packet, the page's stamp being its first packet's end).
    auto pages = test::WalkOggPages(file);
    std::map<uint32_t, int> pagesPerSerial;
    std::map<uint32_t, int64_t> previousEnd;
    int64_t latestStart = 0;
    for (const auto& page : pages) {
        EXPECT_TRUE(page.crcValid);
        int index = pagesPerSerial[page.serial]++;
        if (index >= 3) {
            int64_t start = SamplesToRefTime(previousEnd[page.serial], 44100);
            EXPECT_GE(start + 500'000, latestStart) << "serial " << page.serial;
            latestStart = std::max(latestStart, start);
        }
        if (page.granule >= 0) previousEnd[page.serial] = page.granule;
    }
    EXPECT_EQ(pagesPerSerial.size(), 2u);
    auto packets = ReadPackets(file);
    int eos = 0;
    for (const auto& p : packets) eos += p.eos ? 1 : 0;
    EXPECT_EQ(eos, 2);
}

TEST(OggMuxFramed, AudioPacketsCarryTheirDurationInLengthBytes) {
    WAVEFORMATEX wfx = MakePcmFormat(1, 8000, 16);
    CMediaType pcm = MakeAudioMediaType(wfx);
    MuxRig rig({pcm});
    ASSERT_TRUE(rig.connected);
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    std::vector<uint8_t> payload(600, 7);
    auto at = [](int64_t sample) { return SamplesToRefTime(sample, 8000); };
    rig.sources[0]->Push(payload, {.start = at(0), .stop = at(300), .syncPoint = true});
    rig.sources[0]->Push(std::vector<uint8_t>(2, 9),
                         {.start = at(300), .stop = at(301), .syncPoint = false});
    rig.sources[0]->PushEndOfStream();
    auto packets = ReadPackets(rig.sink->File());
    rig.graph.StopAll();

    ASSERT_EQ(packets.size(), 4u);
    ASSERT_GE(packets[0].bytes.size(), 57u);
    EXPECT_EQ(packets[0].bytes[0], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&packets[0].bytes[1])), "audio");
    EXPECT_TRUE(packets[0].bos);
    EXPECT_EQ(packets[1].bytes[0], 0x03);
    // 300 samples: flags 0x88 (sync point, two length bytes), then 0x2C 0x01.
    ASSERT_EQ(packets[2].bytes.size(), 603u);
    EXPECT_EQ(packets[2].bytes[0], 0x88);
    EXPECT_EQ(packets[2].bytes[1], 0x2C);
    EXPECT_EQ(packets[2].bytes[2], 0x01);
    EXPECT_EQ(packets[2].granule, -1);
    // One sample: no length bytes, not a sync point.
    ASSERT_EQ(packets[3].bytes.size(), 3u);
    EXPECT_EQ(packets[3].bytes[0], 0x00);
    EXPECT_EQ(packets[3].granule, 300);
    EXPECT_TRUE(packets[3].eos);
}

TEST(OggMuxFramed, TextPacketsAreFlushedAndSyncPoints) {
    CMediaType text(MEDIATYPE_Text, GUID_NULL, GUID_NULL);
    MuxRig rig({text});
    ASSERT_EQ(rig.graph.PauseAll(), S_OK);
    const std::vector<uint8_t> hi{'h', 'i'};
    test::harness::SampleProps line{.start = 0, .stop = 20'000'000, .syncPoint = false};
    rig.sources[0]->Push(hi, line);
    line.start = 30'000'000;
    line.stop = 40'000'000;
    rig.sources[0]->Push(hi, line);
    auto pagesBeforeEnd = test::WalkOggPages(rig.sink->File());
    rig.sources[0]->PushEndOfStream();
    auto packets = ReadPackets(rig.sink->File());
    rig.graph.StopAll();
    // Header, comment and the first line went out on pages of their own before the end.
    EXPECT_EQ(pagesBeforeEnd.size(), 3u);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[2].bytes[0] & 0x08, 0x08);
    // Text units are milliseconds: 3000 units from 0 s to 3 s (the next line's start).
    EXPECT_EQ(packets[2].bytes[0] & 0xC2, 0x80);
    EXPECT_EQ(packets[2].bytes[1] | (packets[2].bytes[2] << 8), 3000);
}

}  // namespace
}  // namespace tarnel
