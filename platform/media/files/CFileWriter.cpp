#include "platform/media/files/CFileWriter.h"

#include <algorithm>
#include <cerrno>

#include "platform/media/io/ResultFromErrno.h"

namespace tarnel::media {
namespace {

// Offsets beyond this are nonsense from upstream, not a file we can write.
constexpr int64_t kMaxOffset = int64_t(1) << 50;

}  // namespace

// ---- input pin ----

CFileWriterInputPin::CFileWriterInputPin(CFileWriter* filter, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("in", filter, lock, hr), writer_(filter) {}

void* CFileWriterInputPin::QueryInterface(const GUID& iid) {
    if (iid == IStream::IID) return static_cast<IStream*>(this);
    return CBaseInputPin::QueryInterface(iid);
}

HRESULT CFileWriterInputPin::CheckMediaType(const CMediaType* type) {
    return type ? S_OK : E_POINTER;
}

HRESULT CFileWriterInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    if (writer_->endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    uint8_t* data = nullptr;
    hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const int32_t length = std::max(sample->GetActualDataLength(), 0);
    REFERENCE_TIME start = 0, stop = 0;
    const bool positioned = CurrentMediaType().majortype == MEDIATYPE_Stream &&
                            SUCCEEDED(sample->GetTime(&start, &stop));
    if (positioned && (start < 0 || start > kMaxOffset)) {
        m_bRunTimeError = true;
        return E_INVALIDARG;
    }
    std::lock_guard lock(writer_->fileMutex_);
    const uint64_t offset = positioned ? uint64_t(start) : writer_->appendPosition_;
    hr = writer_->WriteLocked(offset, std::span<const uint8_t>(data, size_t(length)));
    if (FAILED(hr)) {
        m_bRunTimeError = true;  // refuse the rest of the run
        return hr;
    }
    writer_->appendPosition_ = std::max(writer_->appendPosition_, offset + uint64_t(length));
    return S_OK;
}

HRESULT CFileWriterInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    if (writer_->endOfStream_) return S_OK;
    writer_->endOfStream_ = true;
    return writer_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CFileWriterInputPin::BeginFlush() {
    return CBaseInputPin::BeginFlush();
}

HRESULT CFileWriterInputPin::EndFlush() {
    writer_->endOfStream_ = false;
    return CBaseInputPin::EndFlush();
}

HRESULT CFileWriterInputPin::Read(void* buffer, uint32_t count, uint32_t* read) {
    if (read) *read = 0;
    return E_NOTIMPL;
}

HRESULT CFileWriterInputPin::Write(const void* buffer, uint32_t count, uint32_t* written) {
    if (written) *written = 0;
    if (!buffer && count > 0) return STG_E_INVALIDPOINTER;
    std::lock_guard lock(writer_->fileMutex_);
    HRESULT hr = writer_->WriteLocked(writer_->streamPosition_,
                                      std::span(static_cast<const uint8_t*>(buffer), count));
    if (FAILED(hr)) return hr;
    writer_->streamPosition_ += count;
    if (written) *written = count;
    return S_OK;
}

HRESULT CFileWriterInputPin::Seek(int64_t move, uint32_t origin, uint64_t* newPosition) {
    std::lock_guard lock(writer_->fileMutex_);
    int64_t base = 0;
    switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = int64_t(writer_->streamPosition_);
            break;
        case STREAM_SEEK_END: {
            const int64_t size = writer_->file_.IsOpen() ? writer_->file_.Size() : 0;
            if (size < 0) return ResultFromErrno(int(-size));
            base = size;
            break;
        }
        default:
            return STG_E_INVALIDFUNCTION;
    }
    const int64_t target = base + move;
    if (target < 0 || target > kMaxOffset) return STG_E_INVALIDFUNCTION;
    writer_->streamPosition_ = uint64_t(target);
    if (newPosition) *newPosition = uint64_t(target);
    return S_OK;
}

// ---- filter ----

CFileWriter::CFileWriter() : CBaseFilter("File Writer", &lock_, CLSID_FileWriter) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<CFileWriterInputPin>(this, &lock_, &hr);
}

CFileWriter::~CFileWriter() {
    (void)CBaseFilter::Stop();
}

void* CFileWriter::QueryInterface(const GUID& iid) {
    if (iid == IFileSinkFilter::IID) return static_cast<IFileSinkFilter*>(this);
    return CBaseFilter::QueryInterface(iid);
}

CBasePin* CFileWriter::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

HRESULT CFileWriter::Pause() {
    CAutoLock lock(&lock_);
    if (IsStopped()) {
        {
            std::lock_guard fileLock(fileMutex_);
            if (path_.empty()) return E_UNEXPECTED;
            if (int err = file_.Open(path_, PosixFile::Mode::CreateTruncate); err != 0) {
                // A missing folder is a path error, as the Windows file API reports it.
                std::error_code ec;
                if (err == ENOENT && !std::filesystem::is_directory(path_.parent_path(), ec)) {
                    return HRESULT_FROM_WIN32_PATH_NOT_FOUND;
                }
                return ResultFromErrno(err);
            }
            appendPosition_ = 0;
            streamPosition_ = 0;
        }
        endOfStream_ = false;
    }
    return CBaseFilter::Pause();
}

HRESULT CFileWriter::SetFileName(const std::filesystem::path& file, const CMediaType* type) {
    if (file.empty()) return E_INVALIDARG;
    CAutoLock lock(&lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    std::lock_guard fileLock(fileMutex_);
    path_ = file;
    file_.Close();
    return S_OK;
}

HRESULT CFileWriter::GetCurFile(std::filesystem::path* file, CMediaType* type) {
    if (!file) return E_POINTER;
    CAutoLock lock(&lock_);
    if (type) *type = pin_->IsConnected() ? pin_->CurrentMediaType() : CMediaType();
    std::lock_guard fileLock(fileMutex_);
    *file = path_;
    return path_.empty() ? E_FAIL : S_OK;
}

HRESULT CFileWriter::WriteLocked(uint64_t offset, std::span<const uint8_t> bytes) {
    if (!file_.IsOpen()) {
        if (path_.empty()) return E_UNEXPECTED;
        if (int err = file_.Open(path_, PosixFile::Mode::WriteExisting); err != 0) {
            return ResultFromErrno(err);
        }
    }
    if (int err = file_.WriteAt(offset, bytes); err != 0) {
        return err == ENOSPC || err == EDQUOT ? HRESULT_FROM_WIN32_DISK_FULL
                                              : HRESULT_FROM_WIN32_WRITE_FAULT;
    }
    return S_OK;
}

}  // namespace tarnel::media
