#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

#include <ogg/ogg.h>

#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitOutputPin.h"
#include "filters/oggsplitter/COggStream.h"
#include "framework/RefTime.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/filters/oggsplitter/SplitterRig.h"
#include "tests/support/filters/PushSource.h"

// libvorbisenc keeps one block of its six-channel set-up after vorbis_info_clear (a library
// leak, reproduced with libvorbis alone).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_encode_setup_init\n";
}

namespace tarnel {
namespace {

using test::SplitterRig;

std::vector<uint8_t> SineFile(double seconds, int serial = 1234, int rate = 44100, int channels = 2,
                              std::vector<std::pair<std::string, std::string>> comments = {}) {
    test::OggEncodeOptions options;
    options.serial = serial;
    options.comments = std::move(comments);
    return test::EncodeOggVorbis(test::MakeSine(rate, channels, seconds, 440.0, 0.5), options);
}

// Runs the rig to end of stream on every sink (or a time-out); true when all ended.
bool RunToEnd(SplitterRig& rig, int milliseconds = 20000) {
    if (FAILED(rig.graph.RunAll())) return false;
    for (auto& sink : rig.sinks) {
        if (!sink->WaitForEndOfStream(milliseconds)) return false;
    }
    return true;
}

// Rewrites a page's CRC after its bytes were changed.
void FixCrc(std::vector<uint8_t>& file, const test::OggPageInfo& page) {
    std::memset(&file[page.offset + 22], 0, 4);
    uint32_t crc = test::OggCrc(&file[page.offset], page.size);
    for (int i = 0; i < 4; ++i) file[page.offset + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

TEST(OggSplitterScan, OneVorbisStreamGivesOnePinNamedBySerial) {
    SplitterRig rig(SineFile(1.0, 1234, 22050, 1));
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_EQ(rig.splitter->OutputCount(), 1);
    PIN_INFO info;
    rig.splitter->OutputPin(0)->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Audio 1234");
    CMediaType type;
    ASSERT_EQ(rig.splitter->OutputPin(0)->GetMediaType(0, &type), S_OK);
    auto block = VorbisBlockOf(type);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->channels, 1);
    EXPECT_EQ(block->samplesPerSec, 22050u);
    EXPECT_GT(block->avgBitsPerSec, 0);
    EXPECT_EQ(block->quality, 0.0f);
    EXPECT_EQ(rig.splitter->OutputPin(0)->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    CMediaType other = MakeAudioMediaType(MakePcmFormat(1, 22050, 16));
    EXPECT_EQ(rig.splitter->OutputPin(0)->CheckMediaType(&other), E_FAIL);
}

TEST(OggSplitterScan, DurationOfShortAndLongFiles) {
    for (double seconds : {0.5, 30.0}) {
        SplitterRig rig(SineFile(seconds, 7, 44100, 2));
        ASSERT_EQ(rig.connectResult, S_OK);
        if (seconds > 1) {
            ASSERT_GT(rig.reader->Bytes().size(), 65536u);
        }
        int64_t duration = 0;
        ASSERT_EQ(rig.splitter->OutputPin(0)->GetDuration(&duration), S_OK);
        int64_t frames = static_cast<int64_t>(seconds * 44100);
        EXPECT_EQ(duration, SamplesToRefTime(frames, 44100)) << seconds;
        int64_t stop = 0;
        rig.splitter->OutputPin(0)->GetStopPosition(&stop);
        EXPECT_EQ(stop, duration);
        uint32_t caps = 0;
        rig.splitter->OutputPin(0)->GetCapabilities(&caps);
        EXPECT_EQ(caps, 0x37u);
    }
}

TEST(OggSplitterScan, RefusesWhatIsNotOgg) {
    std::vector<uint8_t> noise(100000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
    // The scan's refusal reaches the connecting pin as "no acceptable types".
    EXPECT_TRUE(FAILED(SplitterRig(noise).connectResult));
    EXPECT_TRUE(FAILED(SplitterRig({}).connectResult));
    auto file = SineFile(0.3);
    file.resize(40);  // not even one page
    EXPECT_TRUE(FAILED(SplitterRig(file).connectResult));
}

// A reader whose length or reads fail with a given result.
class FailingReader : public IAsyncReader {
public:
    HRESULT lengthResult = S_OK;
    HRESULT readResult = S_OK;
    void* QueryInterface(const GUID&) override { return nullptr; }
    HRESULT SyncRead(int64_t, int32_t length, uint8_t* buffer) override {
        std::memset(buffer, 0, static_cast<size_t>(length));
        return readResult;
    }
    HRESULT Length(int64_t* total, int64_t* available) override {
        *total = *available = 100000;
        return lengthResult;
    }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
};

TEST(OggSplitterScan, PassesTheReadersFailureUp) {
    COggSplitter splitter;
    FailingReader reader;
    reader.readResult = HRESULT_FROM_WIN32_READ_FAULT;
    EXPECT_EQ(splitter.ScanFile(&reader), HRESULT_FROM_WIN32_READ_FAULT);
    // A file that shrank under the reader is refused as too short, not parsed from junk.
    reader.readResult = S_FALSE;
    EXPECT_EQ(splitter.ScanFile(&reader), VFW_E_FILE_TOO_SHORT);
    reader.lengthResult = E_ACCESSDENIED;
    EXPECT_EQ(splitter.ScanFile(&reader), E_ACCESSDENIED);
    EXPECT_EQ(splitter.OutputCount(), 0);
}

TEST(OggSplitterScan, HeadersBeyondTheFirst64KiB) {
    // A comment header carrying 200 KiB (a picture, say).
    SplitterRig rig(
        SineFile(1.0, 5, 44100, 2, {{"METADATA_BLOCK_PICTURE", std::string(200000, 'x')}}), true);
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_TRUE(RunToEnd(rig));
    size_t bytes = 0;
    for (const auto& sample : rig.sinks[0]->Samples()) bytes += sample.bytes.size();
    EXPECT_EQ(bytes, 44100u * 2 * 2);
    rig.graph.StopAll();
}

TEST(OggSplitterDelivery, HeadersFirstThenPacketsWithTimes) {
    SplitterRig rig(SineFile(2.0, 99, 44100, 1));
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_TRUE(RunToEnd(rig));
    auto samples = rig.sinks[0]->Samples();
    rig.graph.StopAll();
    ASSERT_GT(samples.size(), 10u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(samples[i].bytes[0], 1 + 2 * i);
        EXPECT_EQ(samples[i].start, 0);
    }
    EXPECT_TRUE(samples[3].discontinuity);
    int64_t previous = -1;
    for (size_t i = 3; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].bytes[0] & 1, 0);
        EXPECT_GT(samples[i].start, previous);
        EXPECT_EQ(samples[i].mediaTimeResult, S_OK);
        EXPECT_EQ(samples[i].start, SamplesToRefTime(samples[i].mediaStart, 44100));
        previous = samples[i].start;
    }
    EXPECT_EQ(samples.back().mediaStart, 88200);
}

TEST(OggSplitterSeeking, HeadersAgainAfterASeekAndTheTargetIsFound) {
    SplitterRig rig(SineFile(20.0, 3, 44100, 2), true);
    ASSERT_EQ(rig.connectResult, S_OK);
    int64_t target = 120'000'000;  // 12 s
    // Seeking while stopped moves the start.
    IMediaSeeking* seeking = rig.splitter->OutputPin(0);
    ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_TRUE(RunToEnd(rig));
    auto segments = rig.sinks[0]->SegmentStarts();
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments.back(), target);
    size_t frames = 0;
    for (const auto& sample : rig.sinks[0]->Samples()) frames += sample.bytes.size() / 4;
    // Decoding starts at (or within a packet or two after) 12 s.
    EXPECT_LE(frames, 8u * 44100);
    EXPECT_GE(frames, 8u * 44100 - 4096);
    // The reader did not read the whole file to get there.
    EXPECT_LT(rig.reader->bytesRead.load(),
              static_cast<int64_t>(rig.reader->Bytes().size()) * 3 / 4 + 200000);
    rig.graph.StopAll();
}

TEST(OggSplitterSeeking, SeekWhileRunningSendsHeadersAgain) {
    auto file = SineFile(30.0, 3, 44100, 1);
    test::SplitterRig rig(file);
    ASSERT_EQ(rig.connectResult, S_OK);
    auto& sink = *rig.sinks[0];
    ASSERT_EQ(rig.graph.RunAll(), S_OK);
    ASSERT_TRUE(sink.WaitForSamples(20, 10000));
    // The consumer holds a sample, so the seek lands while the stream is surely running; the
    // seek's flush ends that wait.
    sink.Hold();
    ASSERT_TRUE(sink.WaitHeld());
    int64_t target = 250'000'000;
    IMediaSeeking* seeking = rig.splitter->OutputPin(0);
    ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    sink.Release();
    ASSERT_TRUE(sink.WaitForEndOfStream(20000));
    auto samples = sink.Samples();
    rig.graph.StopAll();
    EXPECT_GE(sink.FlushCount(), 1);
    // Find the second start: three headers again, then audio from 25 s on.
    size_t headerRuns = 0;
    for (size_t i = 0; i + 2 < samples.size(); ++i) {
        if (samples[i].bytes[0] == 1 && samples[i + 1].bytes[0] == 3 &&
            samples[i + 2].bytes[0] == 5) {
            ++headerRuns;
            if (headerRuns == 2 && i + 3 < samples.size()) {
                EXPECT_GE(samples[i + 3].mediaStart, 25 * 44100);
                EXPECT_LT(samples[i + 3].mediaStart, 26 * 44100);
            }
        }
    }
    EXPECT_EQ(headerRuns, 2u);
}

TEST(OggSplitterSeeking, InvalidFlagsAndPastTheEnd) {
    SplitterRig rig(SineFile(1.0));
    ASSERT_EQ(rig.connectResult, S_OK);
    IMediaSeeking* seeking = rig.splitter->OutputPin(0);
    int64_t time = 0;
    EXPECT_EQ(seeking->SetPositions(&time, AM_SEEKING_IncrementalPositioning, nullptr, 0),
              E_INVALIDARG);
    time = 999'000'000;
    ASSERT_EQ(seeking->SetPositions(&time, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime,
                                    nullptr, 0),
              S_OK);
    EXPECT_EQ(time, 10'000'000);  // moved to the duration
    GUID format = TIME_FORMAT_BYTE;
    EXPECT_EQ(seeking->IsFormatSupported(&format), S_FALSE);
}

TEST(OggSplitterStreams, ChapterEntryAndLanguage) {
    SplitterRig rig(SineFile(
        0.5, 8, 22050, 1,
        {{"CHAPTER01", "00:01:30.500"}, {"CHAPTER01NAME", "Intro"}, {"LANGUAGE", "german"}}));
    ASSERT_EQ(rig.connectResult, S_OK);
    auto* select = Query<IAMStreamSelect>(static_cast<IBaseFilter*>(rig.splitter.get()));
    ASSERT_NE(select, nullptr);
    uint32_t count = 0;
    ASSERT_EQ(select->Count(&count), S_OK);
    EXPECT_EQ(count, 2u);
    CMediaType type;
    uint32_t flags = 0, lcid = 0, group = 0;
    std::string name;
    ASSERT_EQ(select->Info(0, &type, &flags, &lcid, &group, &name, nullptr, nullptr), S_OK);
    EXPECT_EQ(name, "Audio german");
    EXPECT_EQ(lcid, 0x07u);
    EXPECT_EQ(flags, 1u);
    EXPECT_EQ(group, 0u);
    EXPECT_TRUE(IsVorbisMediaType(type));
    ASSERT_EQ(select->Info(1, &type, &flags, &lcid, &group, &name, nullptr, nullptr), S_OK);
    EXPECT_EQ(name, "00:01:30.500 Intro");
    EXPECT_EQ(group, static_cast<uint32_t>(-16));
    EXPECT_EQ(type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(flags, 0u);  // the position (0) lies before the chapter
    EXPECT_EQ(select->Info(2, &type, &flags, &lcid, &group, &name, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(select->Enable(5, 1), E_INVALIDARG);
    EXPECT_EQ(select->Enable(0, 1), S_OK);
    // Choosing the chapter seeks to it (here past the end of this short file: to its end).
    EXPECT_EQ(select->Enable(1, 1), S_OK);
    int64_t current = -1, stop = -1, duration = 0;
    rig.splitter->GetPositions(&current, &stop);
    rig.splitter->GetDuration(&duration);
    EXPECT_EQ(current, duration);
}

// Two logical streams interleaved page by page, or one after the other (chained).
std::vector<uint8_t> TwoStreams(bool chained, int serialA, int serialB) {
    auto a = SineFile(1.0, serialA, 22050, 1);
    auto b = SineFile(1.0, serialB, 22050, 1);
    if (chained) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    auto pagesA = test::WalkOggPages(a);
    auto pagesB = test::WalkOggPages(b);
    std::vector<uint8_t> out;
    auto append = [&out](const std::vector<uint8_t>& from, const test::OggPageInfo& p) {
        out.insert(out.end(), from.begin() + p.offset, from.begin() + p.offset + p.size);
    };
    // Both beginning pages first, then the rest alternating.
    append(a, pagesA[0]);
    append(b, pagesB[0]);
    for (size_t i = 1; i < std::max(pagesA.size(), pagesB.size()); ++i) {
        if (i < pagesA.size()) append(a, pagesA[i]);
        if (i < pagesB.size()) append(b, pagesB[i]);
    }
    return out;
}

TEST(OggSplitterStreams, SecondStreamOfAGroupStartsDisabled) {
    SplitterRig rig(TwoStreams(false, 10, 20));
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_EQ(rig.splitter->Streams().size(), 2u);
    EXPECT_EQ(rig.splitter->OutputCount(), 1);
    EXPECT_EQ(rig.splitter->Streams()[1]->group, 0);
    EXPECT_FALSE(rig.splitter->Streams()[1]->enabled);
    ASSERT_TRUE(RunToEnd(rig));
    auto samples = rig.sinks[0]->Samples();
    EXPECT_EQ(samples.back().mediaStart, 22050);
    rig.graph.StopAll();
}

TEST(OggSplitterBadInput, ChainedFileEndsWithTheFirstStream) {
    SplitterRig rig(TwoStreams(true, 10, 20), true);
    ASSERT_EQ(rig.connectResult, S_OK);
    EXPECT_EQ(rig.splitter->OutputCount(), 1);
    ASSERT_TRUE(RunToEnd(rig));
    size_t bytes = 0;
    for (const auto& sample : rig.sinks[0]->Samples()) bytes += sample.bytes.size();
    EXPECT_EQ(bytes, 22050u * 2);
    rig.graph.StopAll();
}

// Two links played one after the other, 6 s and 4 s with their own serial numbers, in a file
// that fits the scan of its end (mono) and one that does not (stereo).
TEST(OggSplitterScan, ChainedFileLastsAsLongAsItsLinksTogether) {
    for (const int channels : {1, 2}) {
        auto link = [channels](double seconds, int serial) {
            test::OggEncodeOptions options;
            options.serial = serial;
            options.packetsPerPage = 16;  // many pages to damage
            return test::EncodeOggVorbis(test::MakeSine(22050, channels, seconds, 440.0, 0.5),
                                         options);
        };
        auto chained = link(6.0, 11);
        const auto link2 = link(4.0, 12);
        chained.insert(chained.end(), link2.begin(), link2.end());
        const int64_t whole = SamplesToRefTime(10 * 22050, 22050);
        int64_t duration = 0;
        {
            SplitterRig rig(chained);
            ASSERT_EQ(rig.connectResult, S_OK);
            ASSERT_EQ(rig.splitter->GetDuration(&duration), S_OK);
            EXPECT_EQ(duration, whole) << channels;
        }

        // Damaged positions in the second link: one far ahead, one going back, one negative.
        // None may make the length absurd or negative; only the pages around them go uncounted.
        const auto pages = test::WalkOggPages(chained);
        std::vector<size_t> audio;  // pages of the second link with a position past its headers
        for (size_t i = 0; i < pages.size(); ++i) {
            if (pages[i].serial == 12 && pages[i].granule > 0) audio.push_back(i);
        }
        ASSERT_GE(audio.size(), 6u);
        for (const int64_t bad : {int64_t{1} << 60, int64_t{5}, int64_t{-7}}) {
            for (const size_t at : {audio[audio.size() / 2], audio.back()}) {
                auto damaged = chained;
                for (int i = 0; i < 8; ++i) {
                    damaged[pages[at].offset + 6 + i] =
                        static_cast<uint8_t>(uint64_t(bad) >> (8 * i));
                }
                FixCrc(damaged, pages[at]);
                SplitterRig rig(damaged);
                ASSERT_EQ(rig.connectResult, S_OK);
                ASSERT_EQ(rig.splitter->GetDuration(&duration), S_OK);
                EXPECT_LE(duration, whole) << bad;
                EXPECT_GE(duration, whole - SamplesToRefTime(2 * 22050, 22050)) << bad;
            }
        }
    }
}

TEST(OggSplitterBadInput, CorruptAndTruncatedFilesEndCleanly) {
    auto clean = SineFile(12.0, 4, 22050, 1);
    auto pages = test::WalkOggPages(clean);
    ASSERT_GE(pages.size(), 6u);

    std::vector<std::vector<uint8_t>> files;
    auto badCrc = clean;
    badCrc[pages[3].offset + pages[3].size - 3] ^= 0xFF;  // body changed, CRC now wrong
    files.push_back(badCrc);
    auto garbage = clean;
    for (size_t i = pages[4].offset; i < pages[4].offset + pages[4].size; ++i) garbage[i] = 0x4F;
    files.push_back(garbage);
    auto truncated = clean;
    truncated.resize(pages[5].offset + pages[5].size / 2);
    files.push_back(truncated);
    auto noGranules = clean;  // every page without a position
    for (const auto& page : pages) {
        for (int i = 0; i < 8; ++i) noGranules[page.offset + 6 + i] = 0xFF;
        FixCrc(noGranules, page);
    }
    files.push_back(noGranules);
    auto absurd = clean;  // a page claiming 255 segments of 255 bytes past the end
    absurd[pages[3].offset + 26] = 255;
    files.push_back(absurd);

    for (size_t f = 0; f < files.size(); ++f) {
        SplitterRig rig(files[f], true);
        if (rig.connectResult != S_OK) continue;  // refused at connection is clean too
        EXPECT_TRUE(RunToEnd(rig, 10000)) << "file " << f;
        rig.graph.StopAll();
    }
}

TEST(OggSplitterBadInput, AbsurdFramedHeaderMakesNoPin) {
    // A framed stream whose header record claims 2 GiB.
    ogg_stream_state stream;
    ogg_stream_init(&stream, 77);
    OggStreamHeader header;
    header.kind = OggStreamKind::Text;
    header.timeUnit = 10'000;
    header.samplesPerUnit = 1;
    std::vector<uint8_t> packetBytes = {0x01};
    auto record = SerializeStreamHeader(header);
    WriteLe32(&record[12], 0x7FFFFFF0);
    packetBytes.insert(packetBytes.end(), record.begin(), record.end());
    ogg_packet packet{};
    packet.packet = packetBytes.data();
    packet.bytes = static_cast<long>(packetBytes.size());
    packet.b_o_s = 1;
    ogg_stream_packetin(&stream, &packet);
    std::vector<uint8_t> file;
    ogg_page page;
    while (ogg_stream_flush(&stream, &page)) {
        file.insert(file.end(), page.header, page.header + page.header_len);
        file.insert(file.end(), page.body, page.body + page.body_len);
    }
    ogg_stream_clear(&stream);
    EXPECT_TRUE(FAILED(SplitterRig(file).connectResult));
}

TEST(OggSplitterThreads, StopReturnsWhileEveryQueueIsFull) {
    // Long enough that the pages after the first sample outnumber the queue.
    const auto file = SineFile(120.0, 1, 44100, 2);
    const size_t pages = test::WalkOggPages(file).size();
    SplitterRig rig(file);
    ASSERT_EQ(rig.connectResult, S_OK);
    auto& sink = *rig.sinks[0];
    COggStream* stream = rig.splitter->OutputPin(0)->Stream();
    ASSERT_GT(pages, size_t(stream->MaxPages()) * 2);
    // Downstream takes nothing until it is stopped: the queue fills and the reader waits.
    sink.Hold();
    ASSERT_EQ(rig.graph.RunAll(), S_OK);
    ASSERT_TRUE(sink.WaitHeld(10000));
    ASSERT_TRUE(stream->WaitForPeakPageCount(size_t(stream->MaxPages()), std::chrono::seconds(10)))
        << stream->PageCount() << " of " << stream->MaxPages() << " pages queued";
    auto stopped = std::async(std::launch::async, [&] { return rig.graph.StopAll(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    sink.Release();
    stopped.wait();
}

TEST(OggSplitterFramed, MultiplexedPcmComesBackWithItsFormat) {
    // Framed audio written by our multiplexer.
    WAVEFORMATEX wfx = MakePcmFormat(1, 8000, 16);
    auto source = std::make_shared<test::harness::PushSource>(MakeAudioMediaType(wfx), 8192, 4);
    auto mux = std::make_shared<COggMux>();
    auto writer = std::make_shared<test::harness::CaptureSink>();
    writer->writeAtStartTime = true;
    {
        test::harness::RecordingGraph graph;
        graph.AddFilter(writer, "File Writer");
        graph.AddFilter(mux, "Ogg Mux");
        graph.AddFilter(source, "source");
        ASSERT_EQ(test::harness::ConnectPins(source->Pin(), mux->InputPin(0)), S_OK);
        ASSERT_EQ(test::harness::ConnectPins(mux->OutputPin(), writer->Pin()), S_OK);
        ASSERT_EQ(graph.PauseAll(), S_OK);
        for (int i = 0; i < 20; ++i) {
            std::vector<uint8_t> payload(1600, static_cast<uint8_t>(i));
            source->Push(payload, SamplesToRefTime(800 * i, 8000),
                         SamplesToRefTime(800 * (i + 1), 8000));
        }
        source->PushEndOfStream();
        graph.StopAll();
    }
    SplitterRig rig(writer->File());
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_EQ(rig.splitter->OutputCount(), 1);
    PIN_INFO info;
    rig.splitter->OutputPin(0)->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Audio 0");
    CMediaType type;
    rig.splitter->OutputPin(0)->GetMediaType(0, &type);
    auto back = type.WaveFormatEx();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->nSamplesPerSec, 8000u);
    EXPECT_EQ(back->nChannels, 1);
    EXPECT_EQ(back->wBitsPerSample, 16);
    int64_t duration = 0;
    rig.splitter->OutputPin(0)->GetDuration(&duration);
    EXPECT_EQ(duration, 19'000'000);  // the last packet's start: 19 × 800 samples
    ASSERT_TRUE(RunToEnd(rig));
    auto samples = rig.sinks[0]->Samples();
    rig.graph.StopAll();
    ASSERT_EQ(samples.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(samples[i].bytes.size(), 1600u);
        EXPECT_EQ(samples[i].bytes[0], i);
        EXPECT_EQ(samples[i].start, SamplesToRefTime(800 * i, 8000));
        EXPECT_EQ(samples[i].stop, SamplesToRefTime(800 * (i + 1), 8000));
    }
}

}  // namespace
}  // namespace tarnel
