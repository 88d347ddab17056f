#include "platform/media/files/CFileSource.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/media/io/ResultFromErrno.h"

namespace tarnel::media {

GUID SubtypeForContent(ContentKind kind) {
    switch (kind) {
        case ContentKind::Wave:
            return MEDIASUBTYPE_WAVE;
        case ContentKind::MpegAudio:
            return MEDIASUBTYPE_MPEG1Audio;
        case ContentKind::Ogg:
            return MEDIASUBTYPE_OggStream;
        case ContentKind::Asf:
            return MEDIASUBTYPE_Asf;
        case ContentKind::Unknown:
            break;
    }
    return MEDIASUBTYPE_NULL;
}

// ---- output pin ----

CAsyncOutputPin::CAsyncOutputPin(CFileSource* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin("Output", filter, lock, hr, PINDIR_OUTPUT), source_(filter) {}

void* CAsyncOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IAsyncReader::IID) {
        readerQueried_ = true;
        return static_cast<IAsyncReader*>(this);
    }
    return CBasePin::QueryInterface(iid);
}

HRESULT CAsyncOutputPin::CheckConnect(IPin* pin) {
    readerQueried_ = false;
    return CBasePin::CheckConnect(pin);
}

HRESULT CAsyncOutputPin::CompleteConnect(IPin* receivePin) {
    if (!readerQueried_) return VFW_E_NO_TRANSPORT;
    return CBasePin::CompleteConnect(receivePin);
}

HRESULT CAsyncOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (!source_->file_.IsOpen()) return VFW_E_NOT_CONNECTED;
    const CMediaType& mine = source_->outputType_;
    if (type->majortype != mine.majortype) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!type->subtype.IsNull() && type->subtype != mine.subtype) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CAsyncOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (!source_->file_.IsOpen() || position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = source_->outputType_;
    return S_OK;
}

HRESULT CAsyncOutputPin::BeginFlush() {
    flushing_ = true;
    return S_OK;
}

HRESULT CAsyncOutputPin::EndFlush() {
    flushing_ = false;
    return S_OK;
}

HRESULT CAsyncOutputPin::SyncRead(int64_t position, int32_t length, uint8_t* buffer) {
    if (!buffer && length > 0) return E_POINTER;
    if (position < 0 || length < 0) return E_INVALIDARG;
    if (flushing_) return VFW_E_WRONG_STATE;
    const PosixFile& file = source_->file_;
    if (!file.IsOpen()) return VFW_E_NOT_CONNECTED;
    const int64_t size = file.Size();
    if (size < 0) return ResultFromErrno(int(-size));
    // Bytes past the end are not there: read what is, report the shortfall with S_FALSE.
    const int64_t present = std::clamp<int64_t>(size - position, 0, length);
    int64_t got = 0;
    if (present > 0) {
        got = file.ReadUpTo(uint64_t(position), std::span(buffer, size_t(present)));
        if (got < 0) return ResultFromErrno(int(-got));
    }
    return got == length ? S_OK : S_FALSE;
}

HRESULT CAsyncOutputPin::Length(int64_t* total, int64_t* available) {
    if (!total || !available) return E_POINTER;
    const PosixFile& file = source_->file_;
    if (!file.IsOpen()) return VFW_E_NOT_CONNECTED;
    const int64_t size = file.Size();
    if (size < 0) return ResultFromErrno(int(-size));
    *total = *available = size;
    return S_OK;
}

// ---- filter ----

CFileSource::CFileSource() : CBaseFilter("File Source (Async.)", &lock_, CLSID_AsyncReader) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<CAsyncOutputPin>(this, &lock_, &hr);
}

CFileSource::~CFileSource() = default;

void* CFileSource::QueryInterface(const GUID& iid) {
    if (iid == IFileSourceFilter::IID) return static_cast<IFileSourceFilter*>(this);
    return CBaseFilter::QueryInterface(iid);
}

CBasePin* CFileSource::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

HRESULT CFileSource::Load(const std::filesystem::path& file, const CMediaType* type) {
    CAutoLock lock(&lock_);
    if (file.empty()) return E_INVALIDARG;
    if (pin_->IsConnected() || !IsStopped()) return VFW_E_ALREADY_CONNECTED;
    PosixFile opened;
    if (int err = opened.Open(file, PosixFile::Mode::Read); err != 0) return ResultFromErrno(err);

    const int64_t size = opened.Size();
    if (size < 0) return ResultFromErrno(int(-size));
    std::vector<uint8_t> head(size_t(std::min<int64_t>(size, int64_t(kSniffBytes))));
    if (int err = opened.ReadAt(0, head); err != 0) return ResultFromErrno(err);
    ContentKind kind = SniffContent(head);
    if (kind == ContentKind::Unknown) kind = ContentKindFromExtension(file);

    CMediaType mt(MEDIATYPE_Stream, SubtypeForContent(kind), FORMAT_None);
    mt.SetVariableSize();
    if (type && !type->subtype.IsNull()) mt.subtype = type->subtype;
    if (type && !type->majortype.IsNull()) mt.majortype = type->majortype;

    file_ = std::move(opened);
    path_ = file;
    content_ = kind;
    outputType_ = mt;
    return S_OK;
}

HRESULT CFileSource::GetCurFile(std::filesystem::path* file, CMediaType* type) {
    if (!file) return E_POINTER;
    CAutoLock lock(&lock_);
    *file = path_;
    if (type) *type = outputType_;
    return path_.empty() ? E_FAIL : S_OK;
}

ContentKind CFileSource::Content() const {
    return content_;
}

}  // namespace tarnel::media
