#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "framework/FilterGraph.h"
#include "framework/MemAllocator.h"
#include "tests/framework/TestTransforms.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/StreamSource.h"

namespace tarnel::test {
using namespace harness;
using namespace transforms;
namespace {

int Count(const std::vector<std::pair<int32_t, intptr_t>>& events, int32_t code) {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const auto& e) { return e.first == code; }));
}

// source -> copy -> sink, connected.
struct Chain {
    std::shared_ptr<StreamSource> source = std::make_shared<StreamSource>();
    std::shared_ptr<TestCopy> copy = std::make_shared<TestCopy>();
    std::shared_ptr<CaptureSink> sink = std::make_shared<CaptureSink>(IsAudio);

    void AddTo(FilterGraph& graph, const std::string& suffix = "") {
        ASSERT_TRUE(SUCCEEDED(graph.AddFilter(source, "Source" + suffix)));
        ASSERT_TRUE(SUCCEEDED(graph.AddFilter(copy, "Copy" + suffix)));
        ASSERT_TRUE(SUCCEEDED(graph.AddFilter(sink, "Sink" + suffix)));
        ASSERT_EQ(graph.Connect(source->pin, copy->InputPin()), S_OK);
        ASSERT_EQ(graph.Connect(copy->OutputPin(), sink->Pin()), S_OK);
    }
};

class GraphTest : public ::testing::Test {
protected:
    FilterRegistry registry;
    FilterGraph graph{registry};
    std::atomic<int> notified{0};

    void SetUp() override {
        graph.SetNotifyCallback([this] { ++notified; });
    }

    int32_t WaitDone() {
        int32_t code = 0;
        EXPECT_EQ(graph.WaitForCompletion(20000, &code), S_OK);
        return code;
    }
};

TEST_F(GraphTest, FilterNamesAreUniqueAndRemovalDisconnects) {
    auto a = std::make_shared<TestCopy>();
    auto b = std::make_shared<TestCopy>();
    auto c = std::make_shared<TestCopy>();
    EXPECT_EQ(graph.AddFilter(a, "Copy"), S_OK);
    EXPECT_EQ(graph.AddFilter(b, "Copy"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph.AddFilter(c, ""), S_OK);
    EXPECT_EQ(graph.AddFilter(a, "Again"), E_INVALIDARG);
    EXPECT_EQ(graph.FilterNames(), (std::vector<std::string>{"Copy", "Copy 0001", "Filter"}));
    IBaseFilter* found = nullptr;
    EXPECT_EQ(graph.FindFilterByName("Copy 0001", &found), S_OK);
    EXPECT_EQ(found, b.get());
    EXPECT_EQ(graph.FindFilterByName("copy", &found), VFW_E_NOT_FOUND);

    auto source = std::make_shared<StreamSource>();
    graph.AddFilter(source, "Source");
    ASSERT_EQ(graph.Connect(source->pin, a->InputPin()), S_OK);
    EXPECT_EQ(graph.RemoveFilter(a.get()), S_OK);
    EXPECT_FALSE(source->pin->IsConnected());
    FILTER_INFO info;
    a->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(graph.RemoveFilter(a.get()), VFW_E_NOT_FOUND);
}

TEST_F(GraphTest, RunDeliversEverySampleAndCompletesOnce) {
    Chain chain;
    chain.copy->xorWith = 0xFF;
    chain.AddTo(graph);
    ASSERT_EQ(graph.SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);
    FILTER_STATE state;
    EXPECT_EQ(graph.GetState(5000, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    auto events = DrainEvents(&graph);
    EXPECT_EQ(Count(events, EC_COMPLETE), 1);
    EXPECT_EQ(Count(events, EC_ERRORABORT), 0);

    {
        const auto got = chain.sink->Samples();
        ASSERT_EQ(got.size(), 8u);
        for (size_t n = 0; n < got.size(); ++n) {
            ASSERT_EQ(got[n].bytes.size(), 400u);
            EXPECT_EQ(got[n].bytes[3], static_cast<uint8_t>((n + 3) ^ 0xFF));
            EXPECT_EQ(got[n].start, static_cast<REFERENCE_TIME>(n * 1000));
        }
        EXPECT_EQ(chain.sink->EndOfStreamCount(), 1);
    }
    EXPECT_EQ(chain.copy->starts, 1);
    EXPECT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(notified.load(), 1);  // the streaming thread has finished its call by now
    EXPECT_EQ(chain.copy->stops, 1);
    EXPECT_EQ(graph.GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(GraphTest, CompletionWaitsForEverySink) {
    Chain first, second;
    first.AddTo(graph, " 1");
    second.AddTo(graph, " 2");
    second.source->pin->gate = true;  // holds its first sample back
    ASSERT_EQ(graph.Run(), S_OK);
    {
        ASSERT_TRUE(first.sink->WaitForEndOfStream(20000));
        ASSERT_EQ(first.sink->EndOfStreamCount(), 1);
    }
    int32_t code;
    EXPECT_EQ(graph.WaitForCompletion(0, &code), E_ABORT);  // one sink is still busy
    second.source->pin->OpenGate();
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    EXPECT_EQ(Count(DrainEvents(&graph), EC_COMPLETE), 1);
    graph.Stop();
}

TEST_F(GraphTest, TransformFailureAbortsWithItsResult) {
    constexpr HRESULT kBroken = static_cast<HRESULT>(0x80041234u);
    Chain chain;
    chain.copy->failAt = 3;
    chain.copy->failWith = kBroken;
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_ERRORABORT);
    EXPECT_TRUE(FinishesWithin([&] { graph.Stop(); }));
    auto events = DrainEvents(&graph);
    ASSERT_EQ(Count(events, EC_ERRORABORT), 1);  // the source's follow-up failure is not repeated
    for (const auto& e : events) {
        if (e.first == EC_ERRORABORT) {
            EXPECT_EQ(e.second, kBroken);
        }
    }
    EXPECT_EQ(Count(events, EC_COMPLETE), 0);
    EXPECT_EQ(chain.sink->Samples().size(), 3u);
}

TEST_F(GraphTest, SourceFailureAbortsWithItsResult) {
    Chain chain;
    chain.source->pin->failAt = 2;
    chain.source->pin->failWith = E_OUTOFMEMORY;
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_ERRORABORT);
    graph.Stop();
    auto events = DrainEvents(&graph);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_ERRORABORT);
    EXPECT_EQ(events.front().second, E_OUTOFMEMORY);
}

TEST_F(GraphTest, DroppedSamplesGiveOneQualityChangePerRun) {
    Chain chain;
    chain.copy->dropAt = {1, 2, 5};
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    graph.Stop();
    auto events = DrainEvents(&graph);
    EXPECT_EQ(Count(events, EC_QUALITY_CHANGE), 2);
    EXPECT_EQ(Count(events, EC_COMPLETE), 1);
    const auto got = chain.sink->Samples();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[1].start, 3000);      // sample 3 follows the dropped 1 and 2 ...
    EXPECT_TRUE(got[1].discontinuity);  // ... and says so
    EXPECT_FALSE(got[2].discontinuity);
}

TEST_F(GraphTest, NonMediaStreamSamplesPassUntouched) {
    Chain chain;
    chain.copy->xorWith = 0xFF;
    chain.source->pin->controlAt = 2;
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    graph.Stop();
    const auto got = chain.sink->Samples();
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[2].streamId, AM_STREAM_CONTROL);
    EXPECT_EQ(got[2].bytes[3], 2 + 3);  // not transformed
    EXPECT_EQ(got[3].bytes[3], static_cast<uint8_t>((3 + 3) ^ 0xFF));
    EXPECT_EQ(chain.copy->seen.load(), 7);
}

TEST_F(GraphTest, StopReturnsWhileEveryBufferIsHeldDownstream) {
    Chain chain;
    chain.source->pin->count = -1;   // endless
    chain.sink->keepSamples = true;  // the transform's buffers never come back
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(chain.sink->WaitForSamples(2));
    // The transform now waits for a buffer and the source for one of its own.
    EXPECT_TRUE(FinishesWithin([&] { EXPECT_EQ(graph.Stop(), S_OK); }));
    EXPECT_EQ(Count(DrainEvents(&graph), EC_ERRORABORT), 0);  // a stop is not an error

    // The graph runs again after such a stop.
    chain.sink->keepSamples = false;
    chain.source->pin->count = 4;
    { chain.sink->ClearSamples(); }
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(chain.sink->Samples().size(), 4u);
}

TEST_F(GraphTest, StopReturnsWhileTheSinkBlocksInReceive) {
    Chain chain;
    chain.source->pin->count = -1;
    chain.sink->Hold();
    chain.AddTo(graph);
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(chain.sink->WaitHeld());
    EXPECT_TRUE(FinishesWithin([&] { EXPECT_EQ(graph.Stop(), S_OK); }));
    EXPECT_EQ(Count(DrainEvents(&graph), EC_ERRORABORT), 0);
}

TEST_F(GraphTest, StopReturnsWhenTheSourceWaitsForItsOwnBuffers) {
    auto source = std::make_shared<StreamSource>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    source->pin->count = -1;
    sink->keepSamples = true;
    graph.AddFilter(source, "Source");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, sink->Pin()), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(sink->WaitForSamples(2));
    EXPECT_TRUE(FinishesWithin([&] { EXPECT_EQ(graph.Stop(), S_OK); }));
    // Destroying a graph that runs stops it as well.
    ASSERT_EQ(graph.Run(), S_OK);
}

TEST_F(GraphTest, RunAndStopInQuickSuccessionNeverHangs) {
    Chain chain;
    chain.source->pin->count = -1;
    chain.AddTo(graph);
    EXPECT_TRUE(FinishesWithin([&] {
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(graph.Run(), S_OK);
            if (i % 2) {
                ASSERT_EQ(graph.Pause(), S_OK);
            }
            ASSERT_EQ(graph.Stop(), S_OK);
        }
    }));
    EXPECT_EQ(chain.copy->starts, 50);
    EXPECT_EQ(chain.copy->stops, 50);
    EXPECT_EQ(Count(DrainEvents(&graph), EC_ERRORABORT), 0);
}

TEST_F(GraphTest, SecondRunRestartsTimeStampsAtZero) {
    auto source = std::make_shared<StreamSource>();
    auto stamp = std::make_shared<TestStamp>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    source->pin->timeOffset = 5'000'000;  // the source's own times start late
    graph.AddFilter(source, "Source");
    graph.AddFilter(stamp, "Stamp");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, stamp->InputPin()), S_OK);
    ASSERT_EQ(graph.Connect(stamp->OutputPin(), sink->Pin()), S_OK);
    for (int run = 0; run < 2; ++run) {
        { sink->ClearSamples(); }
        ASSERT_EQ(graph.Run(), S_OK);
        EXPECT_EQ(WaitDone(), EC_COMPLETE);
        ASSERT_EQ(graph.Stop(), S_OK);
        EXPECT_EQ(Count(DrainEvents(&graph), EC_COMPLETE), 1) << "run " << run;
        const auto got = sink->Samples();
        ASSERT_EQ(got.size(), 8u) << "run " << run;
        EXPECT_EQ(got[0].start, 0) << "run " << run;
        EXPECT_EQ(got[1].start, 4000);
        EXPECT_EQ(got[7].stop, 8 * 4000);
        EXPECT_EQ(got[2].bytes[0], 2 + 1);  // changed in place
    }
}

TEST_F(GraphTest, SeekingAsksTheSinksThroughTheTransforms) {
    Chain shortChain, longChain;
    shortChain.AddTo(graph, " short");
    longChain.source->pin->durationExtra = 2500;
    longChain.AddTo(graph, " long");
    int64_t duration = 0;
    ASSERT_EQ(graph.GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 8000 + 2500);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    int64_t position = 0;
    EXPECT_EQ(graph.GetCurrentPosition(&position), S_OK);
    EXPECT_EQ(position, 8000);
    graph.Stop();
    int64_t to = 3000;
    EXPECT_EQ(
        graph.SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
        S_OK);
    EXPECT_EQ(shortChain.source->pin->seekedTo, 3000);
    EXPECT_EQ(longChain.source->pin->seekedTo, 3000);
    GUID format;
    graph.GetTimeFormat(&format);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    EXPECT_EQ(graph.IsFormatSupported(&TIME_FORMAT_BYTE), S_FALSE);

    // A transform's output pin answers seeking by asking upstream.
    auto* seeking = Query<IMediaSeeking>(static_cast<IPin*>(shortChain.copy->OutputPin()));
    ASSERT_NE(seeking, nullptr);
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 8000);
}

TEST_F(GraphTest, NotifyCallbackStopsWhenUnregistered) {
    Chain chain;
    chain.AddTo(graph);
    ASSERT_EQ(graph.SetNotifyCallback(nullptr), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(notified.load(), 0);
    int32_t code;
    intptr_t p1, p2;
    EXPECT_EQ(graph.GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(graph.GetEvent(&code, &p1, &p2, 10), E_ABORT);
}

TEST_F(GraphTest, PauseStartsStreamingAndRunContinues) {
    Chain chain;
    chain.source->pin->count = 3;
    chain.AddTo(graph);
    ASSERT_EQ(graph.Pause(), S_OK);
    EXPECT_EQ(chain.copy->starts, 1);
    EXPECT_EQ(chain.copy->State(), State_Paused);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(chain.copy->starts, 1);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    ASSERT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(chain.copy->stops, 1);
    EXPECT_EQ(chain.copy->State(), State_Stopped);
    EXPECT_EQ(graph.Connect(chain.copy->OutputPin(), chain.sink->Pin()), VFW_E_ALREADY_CONNECTED);
}

// ---------------------------------------------------------------- intelligent connection

// Takes subtype X and offers only a text type nobody downstream accepts.
class DeadEnd : public TestCopy {
public:
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = CMediaType(MEDIATYPE_Text, GUID_NULL);
        return S_OK;
    }
    HRESULT CheckTransform(const CMediaType*, const CMediaType* out) override {
        return out->majortype == MEDIATYPE_Text ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetClassID(GUID* clsid) override {
        *clsid = MakeGuid(0x33333333, 0, 0, {});
        return S_OK;
    }
};

class IntelligentConnectTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        source->pin->types = {CMediaType(MEDIATYPE_Audio, SUBTYPE_X)};
        sink->accept = AcceptPartial({CMediaType(MEDIATYPE_Audio, SUBTYPE_Y)});
        graph.AddFilter(source, "Source");
        graph.AddFilter(sink, "Sink");
    }
    void RegisterConverter(uint32_t merit) {
        registry.Register({CLSID_TestConverter,
                           "Test Converter",
                           merit,
                           [] { return std::make_shared<TestConverter>(); },
                           {{MEDIATYPE_Audio, SUBTYPE_X}},
                           {{MEDIATYPE_Audio, SUBTYPE_Y}},
                           GUID_NULL,
                           {}});
    }
    std::shared_ptr<StreamSource> source = std::make_shared<StreamSource>();
    std::shared_ptr<CaptureSink> sink = std::make_shared<CaptureSink>(IsAudio);
};

TEST_F(IntelligentConnectTest, InsertsARegisteredConverterUnderAVisibleName) {
    RegisterConverter(MERIT_NORMAL);
    // A better-merit candidate that leads nowhere is tried first and taken out again.
    registry.Register({MakeGuid(0x33333333, 0, 0, {}),
                       "Dead End",
                       MERIT_PREFERRED,
                       [] { return std::make_shared<DeadEnd>(); },
                       {{MEDIATYPE_Audio, SUBTYPE_X}},
                       {{MEDIATYPE_Text, GUID_NULL}},
                       GUID_NULL,
                       {}});
    EXPECT_EQ(graph.ConnectDirect(source->pin, sink->Pin(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    ASSERT_EQ(graph.Connect(source->pin, sink->Pin()), S_OK);
    EXPECT_EQ(graph.FilterNames(), (std::vector<std::string>{"Source", "Sink", "Test Converter"}));
    EXPECT_EQ(sink->Pin()->CurrentMediaType().subtype, SUBTYPE_Y);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(WaitDone(), EC_COMPLETE);
    graph.Stop();
}

TEST_F(IntelligentConnectTest, DoNotUseMeritIsNeverInserted) {
    RegisterConverter(MERIT_DO_NOT_USE);
    EXPECT_EQ(graph.Connect(source->pin, sink->Pin()), VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(graph.FilterNames(), (std::vector<std::string>{"Source", "Sink"}));
    EXPECT_FALSE(source->pin->IsConnected());
}

TEST_F(IntelligentConnectTest, ARendererIsNeverPutBetweenTwoPins) {
    RegisterConverter(MERIT_NORMAL);
    int rendererMade = 0;
    registry.Register({MakeGuid(0x44444444, 0, 0, {}),
                       "Preferred Renderer",
                       MERIT_PREFERRED,
                       [&rendererMade] {
                           ++rendererMade;
                           return std::make_shared<CaptureSink>(IsAudio);
                       },
                       {{MEDIATYPE_Audio, GUID_NULL}},
                       {},
                       GUID_NULL,
                       {}});
    ASSERT_EQ(graph.Connect(source->pin, sink->Pin()), S_OK);
    EXPECT_EQ(graph.FilterNames(), (std::vector<std::string>{"Source", "Sink", "Test Converter"}));
    EXPECT_EQ(rendererMade, 0);
}

TEST_F(IntelligentConnectTest, RenderEndsInARegisteredRenderer) {
    RegisterConverter(MERIT_NORMAL);
    registry.Register({CLSID_TestSink,
                       "Test Renderer",
                       MERIT_NORMAL,
                       [] {
                           auto s = std::make_shared<CaptureSink>(IsAudio);
                           s->accept = AcceptPartial({CMediaType(MEDIATYPE_Audio, SUBTYPE_Y)});
                           return s;
                       },
                       {{MEDIATYPE_Audio, GUID_NULL}},
                       {},
                       GUID_NULL,
                       {}});
    graph.RemoveFilter(sink.get());
    ASSERT_EQ(graph.Render(source->pin), S_OK);
    EXPECT_EQ(graph.FilterNames(),
              (std::vector<std::string>{"Source", "Test Converter", "Test Renderer"}));
    EXPECT_EQ(graph.Render(source->pin), VFW_E_ALREADY_CONNECTED);
}

// ---------------------------------------------------------------- source selection

class TestFileSource : public StreamSource, public IFileSourceFilter {
public:
    void* QueryInterface(const GUID& iid) override {
        if (iid == IFileSourceFilter::IID) return static_cast<IFileSourceFilter*>(this);
        return StreamSource::QueryInterface(iid);
    }
    HRESULT Load(const std::filesystem::path& file, const CMediaType* type) override {
        loaded = file;
        loadedType = type ? *type : CMediaType();
        return S_OK;
    }
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) override {
        *file = loaded;
        if (type) *type = loadedType;
        return S_OK;
    }
    std::filesystem::path loaded;
    CMediaType loadedType;
};

class SourceSelectionTest : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        auto make = [] { return std::make_shared<TestFileSource>(); };
        registry.Register({CLSID_AsyncReader,
                           "File Source (Async.)",
                           MERIT_UNLIKELY,
                           make,
                           {},
                           {{MEDIATYPE_Stream, GUID_NULL}},
                           GUID_NULL,
                           {}});
        registry.AddSourceRule({"RIFF WAVE",
                                CLSID_AsyncReader,
                                MEDIATYPE_Stream,
                                MEDIASUBTYPE_WAVE,
                                [](std::span<const uint8_t> h) {
                                    return h.size() >= 12 &&
                                           std::memcmp(h.data(), "RIFF", 4) == 0 &&
                                           std::memcmp(h.data() + 8, "WAVE", 4) == 0;
                                },
                                {".wav"}});
        registry.AddSourceRule({"MPEG audio",
                                CLSID_AsyncReader,
                                MEDIATYPE_Stream,
                                MEDIASUBTYPE_MPEG1Audio,
                                nullptr,
                                {".mp3"}});
    }
    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        auto path = workDir() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    CMediaType Loaded(IBaseFilter* filter) {
        std::filesystem::path file;
        CMediaType type;
        Query<IFileSourceFilter>(filter)->GetCurFile(&file, &type);
        return type;
    }
    FilterRegistry registry;
    FilterGraph graph{registry};
};

TEST_F(SourceSelectionTest, ContentFirstThenExtensionThenPlainStream) {
    IBaseFilter* f = nullptr;
    // Content wins over a misleading extension.
    ASSERT_EQ(graph.AddSourceFilter(Write("a.mp3", std::string("RIFF\x10\0\0\0WAVEfmt ", 16)),
                                    "Music Source", &f),
              S_OK);
    EXPECT_EQ(Loaded(f).subtype, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(graph.FilterNames().back(), "Music Source");
    ASSERT_EQ(graph.AddSourceFilter(Write("b.MP3", "junk junk"), "", &f), S_OK);
    EXPECT_EQ(Loaded(f).subtype, MEDIASUBTYPE_MPEG1Audio);
    ASSERT_EQ(graph.AddSourceFilter(Write("c.xyz", "junk"), "Other", &f), S_OK);
    EXPECT_EQ(Loaded(f).majortype, MEDIATYPE_Stream);
    EXPECT_EQ(Loaded(f).subtype, GUID_NULL);
    ASSERT_EQ(graph.AddSourceFilter(Write("empty.wav", ""), "Empty", &f), S_OK);
    EXPECT_EQ(Loaded(f).subtype, MEDIASUBTYPE_WAVE);  // by extension
}

TEST_F(SourceSelectionTest, MissingFileOrUnregisteredSource) {
    IBaseFilter* f = nullptr;
    EXPECT_EQ(graph.AddSourceFilter(workDir() / "none.wav", "x", &f),
              HRESULT_FROM_WIN32_FILE_NOT_FOUND);
    EXPECT_EQ(graph.AddSourceFilter(workDir(), "x", &f), E_ACCESSDENIED);
    registry.Clear();
    EXPECT_EQ(graph.AddSourceFilter(Write("d.wav", "RIFF"), "x", &f), REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(graph.FilterNames().empty());
    std::shared_ptr<IBaseFilter> made;
    EXPECT_EQ(registry.CreateInstance(CLSID_AsyncReader, &made), REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace tarnel::test
