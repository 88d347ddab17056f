#pragma once
// The media interfaces as abstract classes.
//
// Ownership: no reference counting. The graph owns its filters (std::shared_ptr<IBaseFilter>),
// a filter owns its pins, and every interface pointer handed out is non-owning and valid while
// its object lives. The one exception is IMediaSample: samples are counted (AddRef/Release)
// because they travel between threads and return to their allocator at the last Release; use
// MediaSamplePtr (MediaSample.h) to hold them. Allocators are shared between the pins that use
// them (std::shared_ptr<IMemAllocator>).
//
// QueryInterface returns the object's pointer for the interface as void*, converted from the
// exact interface type (static_cast<I*>(this)), or null. Use Query<I>(object) to call it.
// Strings are UTF-8; paths are std::filesystem::path.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Guid.h"
#include "framework/MediaType.h"
#include "framework/RefTime.h"
#include "framework/Result.h"

namespace tarnel {

constexpr uint32_t INFINITE = 0xFFFFFFFF;

class IBaseFilter;
class IPin;
class IFilterGraph;
class IReferenceClock;
class IMediaSample;

class IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46});
    virtual ~IUnknown() = default;
    virtual void* QueryInterface(const GUID& iid) = 0;
};

// Typed lookup: the object's I, or null (also for a null object). T is any class with a
// QueryInterface (an interface or a concrete class that overrides it).
template <class I, class T>
I* Query(T* object) {
    return object ? static_cast<I*>(object->QueryInterface(I::IID)) : nullptr;
}

enum FILTER_STATE : int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION : int32_t { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct ALLOCATOR_PROPERTIES {
    int32_t cBuffers = 0;
    int32_t cbBuffer = 0;
    int32_t cbAlign = 0;
    int32_t cbPrefix = 0;
    friend bool operator==(const ALLOCATOR_PROPERTIES&, const ALLOCATOR_PROPERTIES&) = default;
};

struct PIN_INFO {
    IBaseFilter* pFilter = nullptr;
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::string achName;
};

struct FILTER_INFO {
    std::string achName;
    IFilterGraph* pGraph = nullptr;
};

enum QualityMessageType : int32_t { Famine = 0, Flood = 1 };
struct Quality {
    QualityMessageType Type = Famine;
    int32_t Proportion = 1000;
    REFERENCE_TIME Late = 0;
    REFERENCE_TIME TimeStamp = 0;
};

// Stream ids of samples: 0 is media data; other ids (control data) pass transforms untouched.
constexpr uint32_t AM_STREAM_MEDIA = 0;
constexpr uint32_t AM_STREAM_CONTROL = 1;

// GetBuffer flags.
constexpr uint32_t AM_GBF_PREVFRAMESKIPPED = 1;
constexpr uint32_t AM_GBF_NOTASYNCPOINT = 2;
constexpr uint32_t AM_GBF_NOWAIT = 4;  // VFW_E_TIMEOUT instead of waiting for a free buffer

class IReferenceClock : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A86897, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

// One buffer of media data with its properties. Thread-safe counting; the properties belong to
// whoever holds the sample.
class IMediaSample : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual uint32_t AddRef() = 0;
    // At zero the sample goes back to its allocator (its properties are then cleared).
    virtual uint32_t Release() = 0;

    virtual HRESULT GetPointer(uint8_t** buffer) = 0;
    virtual int32_t GetSize() = 0;
    // S_OK with both times; VFW_S_NO_STOP_TIME with start only (end = start + 1);
    // VFW_E_SAMPLE_TIME_NOT_SET without times.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    // A null start clears both times; a null end keeps only the start.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* end) = 0;
    virtual HRESULT IsSyncPoint() = 0;  // S_OK or S_FALSE
    virtual HRESULT SetSyncPoint(bool isSyncPoint) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(bool isPreroll) = 0;
    virtual int32_t GetActualDataLength() = 0;
    // VFW_E_BUFFER_OVERFLOW beyond GetSize(), E_INVALIDARG below 0.
    virtual HRESULT SetActualDataLength(int32_t length) = 0;
    // A type attached to announce a format change: S_OK and a copy, S_FALSE when none.
    virtual HRESULT GetMediaType(CMediaType* type) = 0;
    // Attaches a copy; null removes the attached type.
    virtual HRESULT SetMediaType(const CMediaType* type) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(bool isDiscontinuity) = 0;
    // VFW_E_MEDIA_TIME_NOT_SET when not set; a null start clears them.
    virtual HRESULT GetMediaTime(int64_t* start, int64_t* end) = 0;
    virtual HRESULT SetMediaTime(const int64_t* start, const int64_t* end) = 0;
    virtual uint32_t GetStreamId() = 0;  // AM_STREAM_MEDIA unless set
    virtual void SetStreamId(uint32_t id) = 0;
};

// Bounded pool of samples. GetBuffer blocks while every buffer is out (unless AM_GBF_NOWAIT);
// Decommit wakes every waiter, which then gets VFW_E_NOT_COMMITTED. All methods thread-safe.
class IMemAllocator : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A8689C, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // VFW_E_ALREADY_COMMITTED while committed, VFW_E_BUFFERS_OUTSTANDING while samples are out.
    virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                                  ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    // The sample comes with one reference; times may be null.
    virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                              uint32_t flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

class IPin : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // Called on an output pin; type may be null or partial.
    virtual HRESULT Connect(IPin* receivePin, const CMediaType* type) = 0;
    // Called on an input pin by the connecting output pin with a complete type.
    virtual HRESULT ReceiveConnection(IPin* connector, const CMediaType* type) = 0;
    virtual HRESULT Disconnect() = 0;             // S_FALSE when not connected
    virtual HRESULT ConnectedTo(IPin** pin) = 0;  // VFW_E_NOT_CONNECTED when free
    virtual HRESULT ConnectionMediaType(CMediaType* type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
    virtual HRESULT QueryId(std::string* id) = 0;
    virtual HRESULT QueryAccept(const CMediaType* type) = 0;  // S_OK or S_FALSE
    // The types the pin prefers, in order (the media type enumerator).
    virtual HRESULT EnumMediaTypes(std::vector<CMediaType>* types) = 0;
    virtual HRESULT QueryInternalConnections(std::vector<IPin*>* pins) = 0;
    // Stream control, called on input pins by the upstream thread (EndOfStream, NewSegment)
    // or the control thread (flushes).
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

class IMemInputPin : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT GetAllocator(std::shared_ptr<IMemAllocator>* allocator) = 0;
    virtual HRESULT NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                                    bool readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
    // Called on the upstream streaming thread. S_FALSE: accepted, but send no more.
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) = 0;
    virtual HRESULT ReceiveCanBlock() = 0;
};

class IPersist : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46});
    virtual HRESULT GetClassID(GUID* clsid) = 0;
};

class IMediaFilter : public IPersist {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    // VFW_S_STATE_INTERMEDIATE while a transition has not finished within the time-out.
    virtual HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

class IBaseFilter : public IMediaFilter {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT EnumPins(std::vector<IPin*>* pins) = 0;
    virtual HRESULT FindPin(std::string_view id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // The graph calls this when adding (graph, name) and removing (null, "") the filter.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, std::string_view name) = 0;
    virtual HRESULT QueryVendorInfo(std::string* info) = 0;
};

// Filters report events to the graph through this interface (queried from the graph).
// Safe on any thread.
class IMediaEventSink : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT Notify(int32_t eventCode, intptr_t param1, intptr_t param2) = 0;
};

class IFilterGraph : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // The graph keeps the filter alive until it is removed or the graph is destroyed. A taken
    // name gets a numeric suffix (" 0001") and VFW_S_DUPLICATE_NAME; an empty name is replaced.
    virtual HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(std::vector<IBaseFilter*>* filters) = 0;  // in added order
    virtual HRESULT FindFilterByName(std::string_view name, IBaseFilter** filter) = 0;
    // Connects exactly these two pins (either may be passed first), with an optional type.
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const CMediaType* type) = 0;
    // Breaks the pin's connection and connects the same two pins again (stopped graph only).
    virtual HRESULT Reconnect(IPin* pin) = 0;
    // Breaks the pin's connection on both ends (S_FALSE when it was free).
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

class IGraphBuilder : public IFilterGraph {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // Direct connection first, then through registered intermediate filters by merit.
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    // Connects the output pin to a renderer, inserting filters as needed.
    virtual HRESULT Render(IPin* output) = 0;
    virtual HRESULT RenderFile(const std::filesystem::path& file) = 0;
    // Chooses a source filter by the file's contents, then its extension, loads the file and
    // adds the filter under the given name (or the file name when empty).
    virtual HRESULT AddSourceFilter(const std::filesystem::path& file, std::string_view name,
                                    IBaseFilter** filter) = 0;
    virtual HRESULT Abort() = 0;
};

// Run control of the graph; called on the application's control thread.
class IMediaControl : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Always returns promptly, also while streaming threads are blocked.
    virtual HRESULT Stop() = 0;
    virtual HRESULT StopWhenReady() = 0;
    virtual HRESULT GetState(int32_t msTimeout, FILTER_STATE* state) = 0;
};

// The graph's event queue as the application sees it.
class IMediaEventEx : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // Takes the oldest event; E_ABORT when none arrives within the time-out (0 = poll).
    virtual HRESULT GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2,
                             int32_t msTimeout) = 0;
    virtual HRESULT FreeEventParams(int32_t eventCode, intptr_t param1, intptr_t param2) = 0;
    // Waits for EC_COMPLETE, EC_ERRORABORT or EC_USERABORT (the event stays queued);
    // E_ABORT on time-out.
    virtual HRESULT WaitForCompletion(int32_t msTimeout, int32_t* eventCode) = 0;
    // Stand-in for SetNotifyWindow: called once per queued event, on whatever thread queued it
    // (often a streaming thread), never with a graph lock held. An empty function unregisters;
    // after that call returns the old callback is not running and is never called again.
    // The callback must only hand the news on (queue a call to the application thread): it
    // must not call Stop/Run/seeking on the graph, which may be waiting for its thread.
    virtual HRESULT SetNotifyCallback(std::function<void()> callback) = 0;
    // AM_MEDIAEVENT_NONOTIFY (1) suppresses the callback.
    virtual HRESULT SetNotifyFlags(int32_t flags) = 0;
    virtual HRESULT GetNotifyFlags(int32_t* flags) = 0;
};
constexpr int32_t AM_MEDIAEVENT_NONOTIFY = 0x01;

// Seeking capabilities.
constexpr uint32_t AM_SEEKING_CanSeekAbsolute = 0x1;
constexpr uint32_t AM_SEEKING_CanSeekForwards = 0x2;
constexpr uint32_t AM_SEEKING_CanSeekBackwards = 0x4;
constexpr uint32_t AM_SEEKING_CanGetCurrentPos = 0x8;
constexpr uint32_t AM_SEEKING_CanGetStopPos = 0x10;
constexpr uint32_t AM_SEEKING_CanGetDuration = 0x20;
constexpr uint32_t AM_SEEKING_CanPlayBackwards = 0x40;
constexpr uint32_t AM_SEEKING_CanDoSegments = 0x80;
constexpr uint32_t AM_SEEKING_Source = 0x100;
// SetPositions flags.
constexpr uint32_t AM_SEEKING_NoPositioning = 0x0;
constexpr uint32_t AM_SEEKING_AbsolutePositioning = 0x1;
constexpr uint32_t AM_SEEKING_RelativePositioning = 0x2;
constexpr uint32_t AM_SEEKING_IncrementalPositioning = 0x3;
constexpr uint32_t AM_SEEKING_PositioningBitsMask = 0x3;
constexpr uint32_t AM_SEEKING_SeekToKeyFrame = 0x4;
constexpr uint32_t AM_SEEKING_ReturnTime = 0x8;
constexpr uint32_t AM_SEEKING_Segment = 0x10;
constexpr uint32_t AM_SEEKING_NoFlush = 0x20;

// Positions and durations; times in the current time format (media time: 100 ns units).
// Null pointer arguments give E_POINTER.
class IMediaSeeking : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60});
    virtual HRESULT GetCapabilities(uint32_t* capabilities) = 0;
    // In: asked bits; out: the supported subset. S_OK all, S_FALSE some, E_FAIL none.
    virtual HRESULT CheckCapabilities(uint32_t* capabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID* format) = 0;
    virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
    virtual HRESULT GetTimeFormat(GUID* format) = 0;
    virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
    virtual HRESULT SetTimeFormat(const GUID* format) = 0;
    virtual HRESULT GetDuration(int64_t* duration) = 0;
    virtual HRESULT GetStopPosition(int64_t* stop) = 0;
    virtual HRESULT GetCurrentPosition(int64_t* current) = 0;
    virtual HRESULT ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                                      const GUID* sourceFormat) = 0;
    virtual HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                 uint32_t stopFlags) = 0;
    virtual HRESULT GetPositions(int64_t* current, int64_t* stop) = 0;
    virtual HRESULT GetAvailable(int64_t* earliest, int64_t* latest) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
    virtual HRESULT GetPreroll(int64_t* preroll) = 0;
};

// Random access to a source's bytes (the File Source's output pin). Thread-safe.
class IAsyncReader : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868AA, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // Reads length bytes at position: S_OK when all were read, S_FALSE when the file ended
    // first (the bytes past the end are undefined; use Length to clamp), a failure otherwise.
    virtual HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) = 0;
    // total = file length; available = bytes readable now (equal for local files).
    virtual HRESULT Length(int64_t* total, int64_t* available) = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
};

constexpr uint32_t STREAM_SEEK_SET = 0;
constexpr uint32_t STREAM_SEEK_CUR = 1;
constexpr uint32_t STREAM_SEEK_END = 2;

// Byte stream (the File Writer's input pin offers it for header rewrites).
class IStream : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46});
    virtual HRESULT Read(void* buffer, uint32_t count, uint32_t* read) = 0;
    virtual HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) = 0;
    virtual HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) = 0;
};

class IFileSinkFilter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xA2104830, 0x7C70, 0x11CF, {0x8B, 0xCE, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6});
    virtual HRESULT SetFileName(const std::filesystem::path& file, const CMediaType* type) = 0;
    virtual HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) = 0;
};

class IFileSourceFilter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868A6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    // type: the output type chosen by the graph's content check, or null.
    virtual HRESULT Load(const std::filesystem::path& file, const CMediaType* type) = 0;
    virtual HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) = 0;
};

struct AUDIO_STREAM_CONFIG_CAPS {
    GUID guid;  // MEDIATYPE_Audio
    uint32_t MinimumChannels = 0;
    uint32_t MaximumChannels = 0;
    uint32_t ChannelsGranularity = 0;
    uint32_t MinimumBitsPerSample = 0;
    uint32_t MaximumBitsPerSample = 0;
    uint32_t BitsPerSampleGranularity = 0;
    uint32_t MinimumSampleFrequency = 0;
    uint32_t MaximumSampleFrequency = 0;
    uint32_t SampleFrequencyGranularity = 0;
};

// Output format selection on an output pin (PCM converter, Vorbis encoder).
class IAMStreamConfig : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xC6E13340, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56});
    virtual HRESULT SetFormat(const CMediaType* type) = 0;
    virtual HRESULT GetFormat(CMediaType* type) = 0;
    virtual HRESULT GetNumberOfCapabilities(int32_t* count, int32_t* size) = 0;
    virtual HRESULT GetStreamCaps(int32_t index, CMediaType* type,
                                  AUDIO_STREAM_CONFIG_CAPS* caps) = 0;
};

constexpr uint32_t AMSTREAMSELECTINFO_ENABLED = 0x1;
constexpr uint32_t AMSTREAMSELECTINFO_EXCLUSIVE = 0x2;
constexpr uint32_t AMSTREAMSELECTENABLE_ENABLE = 0x1;
constexpr uint32_t AMSTREAMSELECTENABLE_ENABLEALL = 0x2;

class IAMStreamSelect : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xC1960960, 0x17F5, 0x11D1, {0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75});
    virtual HRESULT Count(uint32_t* streams) = 0;
    // Every output argument may be null.
    virtual HRESULT Info(int32_t index, CMediaType* type, uint32_t* flags, uint32_t* lcid,
                         uint32_t* group, std::string* name, IUnknown** object,
                         IUnknown** unknown) = 0;
    virtual HRESULT Enable(int32_t index, uint32_t flags) = 0;
};

// Volume in hundredths of a decibel (-10000 silence .. 0 full); balance -10000..10000.
class IBasicAudio : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    virtual HRESULT put_Volume(int32_t volume) = 0;
    virtual HRESULT get_Volume(int32_t* volume) = 0;
    virtual HRESULT put_Balance(int32_t balance) = 0;
    virtual HRESULT get_Balance(int32_t* balance) = 0;
};

}  // namespace tarnel
