#pragma once
// "File Source (Async.)": offers a local file's bytes to a parser through IAsyncReader on its
// one output pin, typed MEDIATYPE_Stream with the subtype that content sniffing found
// (MEDIASUBTYPE_WAVE, MEDIASUBTYPE_MPEG1Audio, MEDIASUBTYPE_OggStream, MEDIASUBTYPE_Asf, or
// MEDIASUBTYPE_NULL for content it does not recognise).
//
// Reads complete synchronously with positional reads, so any number of threads may read at
// once. The file is opened read-only by Load and never written.
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>

#include "framework/BaseFilter.h"
#include "framework/BasePin.h"
#include "platform/media/files/ContentSniffer.h"
#include "platform/media/io/PosixFile.h"

namespace tarnel::media {

class CFileSource;

class CAsyncOutputPin final : public CBasePin, public IAsyncReader {
public:
    CAsyncOutputPin(CFileSource* filter, CCritSec* lock, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;

    // CBasePin: exactly the loaded file's type; the peer must be an input pin that pulls:
    // one that asked this pin for IAsyncReader while connecting. A pin that waits for pushed
    // samples (a renderer taking any type) would never get data, so it is refused with
    // VFW_E_NO_TRANSPORT and intelligent connection puts a parser in between.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;

    // Stream control belongs to input pins.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override;  // IAsyncReader's: reads fail until EndFlush
    HRESULT EndFlush() override;

    // IAsyncReader
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) override;
    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    CFileSource* source_;
    std::atomic<bool> flushing_{false};
    std::atomic<bool> readerQueried_{false};  // IAsyncReader asked for since CheckConnect
};

class CFileSource final : public CBaseFilter, public IFileSourceFilter {
public:
    CFileSource();
    ~CFileSource() override;

    void* QueryInterface(const GUID& iid) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    // IFileSourceFilter. Load opens the file (a missing file or folder fails with the
    // corresponding result), sniffs its content and fixes the output type; `type`, when given
    // with a subtype, overrides the sniffed subtype. A second Load is refused while connected.
    HRESULT Load(const std::filesystem::path& file, const CMediaType* type) override;
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) override;

    ContentKind Content() const;
    const CMediaType& OutputType() const { return outputType_; }

private:
    friend class CAsyncOutputPin;

    CCritSec lock_;
    std::unique_ptr<CAsyncOutputPin> pin_;
    // Set by Load on the application thread while stopped and unconnected; read-only after.
    std::filesystem::path path_;
    PosixFile file_;
    CMediaType outputType_;
    ContentKind content_ = ContentKind::Unknown;
};

// The output subtype for a sniffed kind.
GUID SubtypeForContent(ContentKind kind);

}  // namespace tarnel::media
