#pragma once
// COggSplitter: reads an Ogg file from the file source and offers one output pin per stream it
// recognises (Vorbis, or framed video, audio and text). Connecting the input scans the file:
// headers, chapters ("CHAPTERnn" comments), stream groups, and the duration from the last
// 64 KiB. Seeking finds the byte position by interpolation search over the pages' granule
// positions. IAMStreamSelect lists the streams (with their language) and the chapters.
//
// Threads: one reading thread (the input pin) and one delivery thread per stream, all running
// between pause and stop. Seeking flushes downstream, stops them, moves and starts them again.
//
// Threading: m_csFilter (the state lock) guards the stream and pin lists, positions and
// seeking; the lists change only while stopped (connection). Positions are read by the
// delivery threads only at their start.

#include <atomic>
#include <memory>
#include <vector>

#include "filters/oggsplitter/COggSplitInputPin.h"
#include "filters/oggsplitter/COggSplitOutputPin.h"
#include "filters/oggsplitter/COggStream.h"
#include "filters/oggsplitter/OggComments.h"
#include "framework/AsyncReaderByteSource.h"
#include "framework/BaseFilter.h"
#include "framework/FilterRegistry.h"

namespace tarnel {

class COggSplitter : public CBaseFilter, public IAMStreamSelect {
public:
    static constexpr int64_t kInitialStop = 0x3FFFFFFFFFFFFFFF;
    static constexpr int32_t kScanBytes = 65536;
    // Header scan beyond the first 64 KiB (large comment headers with pictures) ends here.
    static constexpr int64_t kMaxHeaderScanBytes = 16 * 1024 * 1024;
    static constexpr size_t kMaxStreams = 64;
    static constexpr uint32_t kSeekingCaps =
        AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
        AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

    COggSplitter();
    ~COggSplitter() override;

    void* QueryInterface(const GUID& iid) override;
    int GetPinCount() override;
    CBasePin* GetPin(int index) override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    // IAMStreamSelect
    HRESULT Count(uint32_t* streams) override;
    HRESULT Info(int32_t index, CMediaType* type, uint32_t* flags, uint32_t* lcid, uint32_t* group,
                 std::string* name, IUnknown** object, IUnknown** unknown) override;
    HRESULT Enable(int32_t index, uint32_t flags) override;

    // Seeking, shared by the output pins.
    HRESULT SetPositions(COggSplitOutputPin* caller, int64_t* current, uint32_t currentFlags,
                         int64_t* stop, uint32_t stopFlags);
    HRESULT GetDuration(int64_t* duration);
    HRESULT GetStopPosition(int64_t* stop);
    HRESULT GetPositions(int64_t* current, int64_t* stop);
    HRESULT SetRate(double rate);
    HRESULT GetRate(double* rate);

    // Scan (input pin's CompleteConnect / BreakConnect, filter lock held).
    HRESULT ScanFile(IAsyncReader* reader);
    void ClearStreams();

    // For the threads.
    COggSplitInputPin* InputPin() const { return m_input.get(); }
    COggStream* StreamBySerial(uint32_t serial) const;
    bool EndOfFile() const { return m_endOfFile.load(); }
    void SetEndOfFile();
    REFERENCE_TIME SegmentStart() const { return m_start.load(); }
    REFERENCE_TIME SegmentStop() const { return m_stop.load(); }
    double Rate() const { return m_rate.load(); }

    const std::vector<std::unique_ptr<COggStream>>& Streams() const { return m_streams; }
    const std::vector<OggChapter>& Chapters() const { return m_chapters; }
    void SetEnableAllStreams(bool on) { m_enableAll = on; }
    int OutputCount() const { return static_cast<int>(m_outputs.size()); }
    COggSplitOutputPin* OutputPin(int index) const;

private:
    void StartThreads(int64_t bytePosition);
    void StopThreads();
    // The file's first pages: streams and their headers. A failed read gives its result.
    HRESULT ReadHeaders(AsyncReaderByteSource& file);
    void AssignGroups();
    void CreateOutputPins();
    void ScanDuration(ByteSource& file);
    // The sum of the play lengths of every link of a chained file (100 ns units).
    int64_t WalkLinks(ByteSource& file);
    // The byte position to read from for a start time (interpolation search).
    int64_t FindBytePosition(int64_t target);
    // The first page of a known stream with a granule position at or after `from` and before
    // `limit`: its offset and time; false when there is none.
    bool FindPageTime(int64_t from, int64_t limit, int64_t* pageOffset, int64_t* time);
    uint32_t ChapterContaining(int64_t position) const;

    CCritSec m_csFilter;
    std::unique_ptr<COggSplitInputPin> m_input;
    // Written at connection (filter lock held, stopped); read-only while the threads run.
    std::vector<std::unique_ptr<COggStream>> m_streams;  // discovery order
    std::vector<std::unique_ptr<COggSplitOutputPin>> m_outputs;
    std::vector<OggChapter> m_chapters;
    bool m_chaptersEnabled = false;
    int64_t m_fileLength = 0;
    REFERENCE_TIME m_duration = kInitialStop;
    // Control thread only, under m_csFilter.
    bool m_enableAll = false;
    int64_t m_startByte = 0;
    bool m_threadsRunning = false;
    // Atomic: the delivery threads read them (at their start) and some seeking calls use them
    // without m_csFilter; m_start and m_stop change only under it.
    std::atomic<REFERENCE_TIME> m_start{0};
    std::atomic<REFERENCE_TIME> m_stop{kInitialStop};
    std::atomic<double> m_rate{1.0};
    std::atomic<bool> m_endOfFile{false};  // set by the reading thread, reset at its start
    // Under m_csFilter: the last seek request, so that the same request through another pin is
    // not repeated.
    struct SeekRequest {
        COggSplitOutputPin* caller = nullptr;
        int64_t current = 0, stop = 0;
        uint32_t currentFlags = 0, stopFlags = 0;
    };
    std::optional<SeekRequest> m_lastSeek;
};

// Registers CLSID_OggSplitter for Ogg streams (MEDIATYPE_Stream / MEDIASUBTYPE_OggStream).
void RegisterOggSplitter(FilterRegistry& registry);

}  // namespace tarnel
