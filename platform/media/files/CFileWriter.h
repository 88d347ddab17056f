#pragma once
// "File Writer": writes what arrives at its input pin into the file named by SetFileName.
// The file is created, or emptied, when the filter pauses from stopped. For MEDIATYPE_Stream
// input each sample goes to the byte offset of its start time (how the WAVE writer and the Ogg
// multiplexer place their data); samples without times, and other media types, are appended.
// The input pin also offers IStream (Seek and Write) so an upstream writer can rewrite a header
// when it stops, which happens after this filter has stopped; the file therefore stays open
// until the next run, a new file name or the filter's end. End of stream sends EC_COMPLETE. A
// failed write refuses the sample with the error, which aborts the stream upstream.
//
// Threads: SetFileName and state changes on the application thread; Receive and EndOfStream on
// the upstream streaming thread; IStream calls on the upstream filter's control thread.
// fileMutex_ guards the open file and the positions.
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "platform/media/io/PosixFile.h"

namespace tarnel::media {

class CFileWriter;

class CFileWriterInputPin final : public CBaseInputPin, public IStream {
public:
    CFileWriterInputPin(CFileWriter* filter, CCritSec* lock, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;

    HRESULT CheckMediaType(const CMediaType* type) override;  // anything
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // IStream. Read is not offered (the file is opened for writing only).
    HRESULT Read(void* buffer, uint32_t count, uint32_t* read) override;
    HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) override;
    HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) override;

private:
    CFileWriter* writer_;
};

class CFileWriter final : public CBaseFilter, public IFileSinkFilter {
public:
    CFileWriter();
    ~CFileWriter() override;

    void* QueryInterface(const GUID& iid) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    // Opens (creates or truncates) the file when leaving the stopped state.
    HRESULT Pause() override;

    // IFileSinkFilter. Only while stopped; the type is ignored.
    HRESULT SetFileName(const std::filesystem::path& file, const CMediaType* type) override;
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) override;

private:
    friend class CFileWriterInputPin;
    // Writes at offset (fileMutex_ held by the caller); opens the file without truncating it
    // when it is not open (a header written after a stop). Lock order: filter lock, then
    // fileMutex_; nothing under fileMutex_ takes the filter lock.
    HRESULT WriteLocked(uint64_t offset, std::span<const uint8_t> bytes);

    CCritSec lock_;
    std::unique_ptr<CFileWriterInputPin> pin_;
    std::mutex fileMutex_;
    std::filesystem::path path_;            // fileMutex_
    PosixFile file_;                        // fileMutex_
    uint64_t appendPosition_ = 0;           // fileMutex_: end of the last appended sample
    uint64_t streamPosition_ = 0;           // fileMutex_: the IStream position
    std::atomic<bool> endOfStream_{false};  // reset at pause and flush
};

}  // namespace tarnel::media
