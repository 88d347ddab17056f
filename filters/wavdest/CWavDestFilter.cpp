#include "filters/wavdest/CWavDestFilter.h"

#include <algorithm>
#include <cstring>

#include "filters/wavdest/CWavDestOutputPin.h"
#include "filters/wavdest/WavFileLayout.h"
#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"

namespace tarnel {

namespace {

// A WAVEFORMATEX block needs at least the 16 bytes of the basic record to describe anything.
constexpr size_t kMinFormatBlock = kPcmWaveFormatSize;

}  // namespace

CWavDestFilter::CWavDestFilter()
    : CTransformFilter("WAV Dest", CLSID), timeFormat_(TIME_FORMAT_MEDIA_TIME) {
    HRESULT hr = S_OK;
    SetInputPin(std::make_unique<CTransformInputPin>("In", this, &hr));
    SetOutputPin(std::make_unique<CWavDestOutputPin>(this, &hr));
}

CWavDestFilter::~CWavDestFilter() = default;

void* CWavDestFilter::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CTransformFilter::QueryInterface(iid);
}

// ---- media types ----

HRESULT CWavDestFilter::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    // Any wave format is written as it comes (PCM, MPEG audio, compressor output); only the
    // presence of a format block that can go into the "fmt " chunk matters.
    if (in->formattype != FORMAT_WaveFormatEx || in->format.size() < kMinFormatBlock) {
        return S_FALSE;
    }
    return S_OK;
}

HRESULT CWavDestFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in) return E_POINTER;
    const HRESULT hr = CheckInputType(in);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CWavDestFilter::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    return S_OK;
}

HRESULT CWavDestFilter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    // Output buffers match the input's, so every input sample fits one output sample.
    std::shared_ptr<IMemAllocator> inputAllocator;
    HRESULT hr = m_pInput->GetAllocator(&inputAllocator);
    if (FAILED(hr)) return hr;
    if (!inputAllocator) return E_UNEXPECTED;
    ALLOCATOR_PROPERTIES inputProps;
    hr = inputAllocator->GetProperties(&inputProps);
    if (FAILED(hr)) return hr;
    return RequestBuffers(alloc, props,
                          {.bytes = std::max(inputProps.cbBuffer, 1),
                           .exact = true,
                           .align = 1,
                           .keepPrefix = false,
                           .needAsked = true});
}

// ---- streaming ----

HRESULT CWavDestFilter::StartStreaming() {
    const CMediaType& type = m_pInput->CurrentMediaType();
    if (type.format.size() < kMinFormatBlock) return E_UNEXPECTED;
    const auto headerSize = WavHeaderSize(type.format.size());
    if (!headerSize) return E_FAIL;
    formatBlock_ = type.format;
    headerSize_ = *headerSize;
    bytesWritten_ = 0;
    avgBytesPerSec_ = ReadLe32(formatBlock_.data() + 8);
    isPcm_ = ReadLe16(formatBlock_.data()) == WAVE_FORMAT_PCM;
    std::lock_guard lock(positionLock_);
    position_ = 0;
    return S_OK;
}

HRESULT CWavDestFilter::Receive(IMediaSample* sample) {
    const uint32_t before = bytesWritten_;
    const HRESULT hr = CTransformFilter::Receive(sample);
    // A sample that did not reach the file (refused, flushing, failed) must not count in the
    // data size the header reports.
    if (hr != S_OK) bytesWritten_ = before;
    return hr;
}

HRESULT CWavDestFilter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!in || !out) return E_POINTER;
    uint8_t* source = nullptr;
    uint8_t* destination = nullptr;
    HRESULT hr = in->GetPointer(&source);
    if (FAILED(hr)) return hr;
    hr = out->GetPointer(&destination);
    if (FAILED(hr)) return hr;
    const int32_t length = in->GetActualDataLength();
    if (length < 0) return E_UNEXPECTED;
    if (length > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    if (length > 0) std::memcpy(destination, source, static_cast<size_t>(length));

    // Times, media times and the flags came with the buffer (InitializeOutputSample); the
    // times are replaced by the file offsets below.
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timeResult = in->GetTime(&start, &stop);
    CMediaType changed;
    if (in->GetMediaType(&changed) == S_OK) out->SetMediaType(&changed);

    {
        std::lock_guard lock(positionLock_);
        if (isPcm_ && avgBytesPerSec_ != 0) {
            position_ += PcmBytesToMediaTime(static_cast<uint32_t>(length), avgBytesPerSec_);
        } else if (timeResult == S_OK) {
            // Compressed streams: the encoder's own stop time. Its final sample may carry no
            // times, which leaves the position where it was.
            position_ = stop;
        }
    }

    hr = out->SetActualDataLength(length);
    if (FAILED(hr)) return hr;

    // The output's time stamps are byte offsets in the file, the File Writer's write position.
    const auto range = NextWriteRange(headerSize_, bytesWritten_, static_cast<uint32_t>(length));
    if (!range) return E_FAIL;  // the file would pass 4 GiB - 1
    bytesWritten_ += static_cast<uint32_t>(length);
    const REFERENCE_TIME fileStart = range->start;
    const REFERENCE_TIME fileEnd = range->end;
    out->SetTime(&fileStart, &fileEnd);
    return S_OK;
}

HRESULT CWavDestFilter::StopStreaming() {
    if (!m_pOutput->IsConnected()) return E_FAIL;
    IStream* stream = Query<IStream>(m_pOutput->GetConnected());
    if (!stream) return E_NOINTERFACE;
    if (formatBlock_.empty()) return E_UNEXPECTED;  // never started

    const std::vector<uint8_t> header = BuildWavHeader(formatBlock_, bytesWritten_);
    HRESULT hr = stream->Seek(0, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) return hr;
    uint32_t written = 0;
    hr = stream->Write(header.data(), static_cast<uint32_t>(header.size()), &written);
    if (FAILED(hr)) return hr;
    // A short write leaves a broken header; that must not pass as success.
    if (written != header.size()) return E_FAIL;
    return hr;
}

// ---- IMediaSeeking ----

HRESULT CWavDestFilter::GetCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = kSeekingCaps;
    return S_OK;
}

HRESULT CWavDestFilter::CheckCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    return (*capabilities & ~kSeekingCaps) == 0 ? S_OK : S_FALSE;
}

HRESULT CWavDestFilter::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME || *format == TIME_FORMAT_BYTE ? S_OK : S_FALSE;
}

HRESULT CWavDestFilter::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CWavDestFilter::GetTimeFormat(GUID* format) {
    if (!format) return E_POINTER;
    std::lock_guard lock(positionLock_);
    *format = timeFormat_;
    return S_OK;
}

HRESULT CWavDestFilter::IsUsingTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    std::lock_guard lock(positionLock_);
    return *format == timeFormat_ ? S_OK : S_FALSE;
}

HRESULT CWavDestFilter::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    if (*format != TIME_FORMAT_MEDIA_TIME && *format != TIME_FORMAT_BYTE) return S_FALSE;
    std::lock_guard lock(positionLock_);
    timeFormat_ = *format;
    return S_OK;
}

HRESULT CWavDestFilter::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    return E_NOTIMPL;
}

HRESULT CWavDestFilter::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    return E_NOTIMPL;
}

HRESULT CWavDestFilter::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    std::lock_guard lock(positionLock_);
    // Only media time is reported; other formats leave the caller's value as it was.
    if (timeFormat_ == TIME_FORMAT_MEDIA_TIME) *current = position_;
    return S_OK;
}

HRESULT CWavDestFilter::ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                                          const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    const auto isMediaTime = [](const GUID* format) {
        return !format || *format == TIME_FORMAT_MEDIA_TIME;
    };
    if (!isMediaTime(targetFormat) || !isMediaTime(sourceFormat)) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT CWavDestFilter::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                     uint32_t stopFlags) {
    return E_NOTIMPL;
}

HRESULT CWavDestFilter::GetPositions(int64_t* current, int64_t* stop) {
    if (!current || !stop) return E_POINTER;
    std::lock_guard lock(positionLock_);
    if (timeFormat_ != TIME_FORMAT_MEDIA_TIME) return E_FAIL;
    *current = position_;
    *stop = 0;
    return S_OK;
}

HRESULT CWavDestFilter::GetAvailable(int64_t* earliest, int64_t* latest) {
    if (!earliest || !latest) return E_POINTER;
    *earliest = 0;
    return GetDuration(latest);
}

HRESULT CWavDestFilter::SetRate(double rate) {
    return E_NOTIMPL;
}

HRESULT CWavDestFilter::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    return E_NOTIMPL;
}

HRESULT CWavDestFilter::GetPreroll(int64_t* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}

}  // namespace tarnel
