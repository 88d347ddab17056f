#include "platform/media/asf/CAsfWriter.h"

#include "framework/Guids.h"
#include "framework/MediaSample.h"
#include "framework/WaveFormat.h"
#include "platform/media/wmruntime/WindowsMediaCodecCatalog.h"

namespace tarnel::media {
namespace {

constexpr uint16_t kMaxInputChannels = 8;

std::optional<PcmFormat> PcmOf(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx) {
        return std::nullopt;
    }
    auto info = DecodeWaveFormat(type.format);
    if (!info || !IsConvertiblePcm(*info)) return std::nullopt;
    auto pcm = PcmFormat::FromWaveFormat(*info);
    if (!pcm || pcm->channels > kMaxInputChannels) return std::nullopt;
    return pcm;
}

}  // namespace

// ---- input pin ----

CAsfWriterInputPin::CAsfWriterInputPin(CAsfWriter* filter, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("Audio Input 01", filter, lock, hr), writer_(filter) {}

HRESULT CAsfWriterInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (!writer_->stream_) return VFW_E_TYPE_NOT_ACCEPTED;  // no profile yet
    return PcmOf(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAsfWriterInputPin::Receive(IMediaSample* sample) {
    CAutoLock lock(&writer_->receiveLock_);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    hr = writer_->ReceivePcm(sample);
    if (FAILED(hr)) m_bRunTimeError = true;  // refuse the rest of the run
    return hr;
}

HRESULT CAsfWriterInputPin::EndOfStream() {
    CAutoLock lock(&writer_->receiveLock_);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    if (writer_->endOfStream_) return S_OK;
    writer_->endOfStream_ = true;
    hr = writer_->FinishFile();
    if (FAILED(hr)) return writer_->NotifyEvent(EC_ERRORABORT, hr, 0);
    return writer_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

// ---- filter ----

CAsfWriter::CAsfWriter()
    : CBaseFilter("WM ASF Writer", &lock_, CLSID_WMAsfWriter), CPosPassThru(nullptr) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<CAsfWriterInputPin>(this, &lock_, &hr);
    m_pPin = pin_.get();
}

CAsfWriter::~CAsfWriter() {
    (void)Stop();
}

void* CAsfWriter::QueryInterface(const GUID& iid) {
    if (iid == IFileSinkFilter::IID) return static_cast<IFileSinkFilter*>(this);
    if (iid == IConfigAsfWriter::IID) return static_cast<IConfigAsfWriter*>(this);
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CBaseFilter::QueryInterface(iid);
}

CBasePin* CAsfWriter::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

HRESULT CAsfWriter::Pause() {
    CAutoLock lock(&lock_);
    if (IsStopped() && pin_->IsConnected()) {
        if (path_.empty() || !stream_) return E_UNEXPECTED;
        auto input = PcmOf(pin_->CurrentMediaType());
        if (!input) return VFW_E_TYPE_NOT_ACCEPTED;
        CAutoLock receive(&receiveLock_);
        HRESULT hr = AsfEncodeSession::Open(path_, *stream_, *input, &session_);
        if (FAILED(hr)) return hr;
        endOfStream_ = false;
        position_ = 0;
    }
    return CBaseFilter::Pause();
}

HRESULT CAsfWriter::Stop() {
    CAutoLock lock(&lock_);
    HRESULT hr = CBaseFilter::Stop();
    CAutoLock receive(&receiveLock_);
    // A run that ended early (cancelled, or aborted upstream) still leaves a playable file.
    if (session_) (void)FinishFile();
    return hr;
}

HRESULT CAsfWriter::ReceivePcm(IMediaSample* sample) {
    if (!session_ || endOfStream_) return VFW_E_WRONG_STATE;
    uint8_t* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const int32_t length = sample->GetActualDataLength();
    if (length < 0 || (length > 0 && !data)) return E_UNEXPECTED;
    hr = session_->Write(std::span<const uint8_t>(data, size_t(length)));
    if (FAILED(hr)) return hr;
    const uint64_t frames = session_->InputFrames();
    const uint32_t rate = session_->Input().sampleRate;
    position_ = int64_t(frames / rate * UNITS + frames % rate * UNITS / rate);
    return S_OK;
}

HRESULT CAsfWriter::FinishFile() {
    if (!session_) return S_OK;
    HRESULT hr = session_->Finish(indexMode_);
    session_.reset();
    return hr;
}

HRESULT CAsfWriter::SetFileName(const std::filesystem::path& file, const CMediaType* type) {
    if (file.empty()) return E_INVALIDARG;
    CAutoLock lock(&lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    path_ = file;
    return S_OK;
}

HRESULT CAsfWriter::GetCurFile(std::filesystem::path* file, CMediaType* type) {
    if (!file) return E_POINTER;
    CAutoLock lock(&lock_);
    if (type) *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Asf);
    *file = path_;
    return path_.empty() ? E_FAIL : S_OK;
}

HRESULT CAsfWriter::ConfigureFilterUsingProfile(IWMProfile* profile) {
    if (!profile) return E_POINTER;
    CAutoLock lock(&lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (pin_->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    uint32_t count = 0;
    HRESULT hr = profile->GetStreamCount(&count);
    if (FAILED(hr)) return hr;
    if (count != 1) return E_INVALIDARG;
    std::shared_ptr<IWMStreamConfig> config;
    hr = profile->GetStream(0, &config);
    if (FAILED(hr)) return hr;
    if (!config) return E_POINTER;
    GUID type;
    if (FAILED(config->GetStreamType(&type)) || type != WMMEDIATYPE_Audio) return E_INVALIDARG;
    auto* props = Query<IWMMediaProps>(config.get());
    if (!props) return E_NOINTERFACE;
    CMediaType mediaType;
    hr = props->GetMediaType(&mediaType);
    if (FAILED(hr)) return hr;
    auto wfx = mediaType.WaveFormatEx();
    if (mediaType.majortype != MEDIATYPE_Audio || !wfx) return E_INVALIDARG;
    if (auto* vault = Query<IWMPropertyVault>(config.get())) {
        WMT_ATTR_DATATYPE valueType;
        std::vector<uint8_t> value;
        uint32_t vbr = 0;
        if (SUCCEEDED(vault->GetPropertyByName(g_wszVBREnabled, &valueType, &value)) &&
            WmValueAsDword(value, &vbr) && vbr != 0) {
            return NS_E_UNSUPPORTED_PROPERTY;  // FFmpeg's WMA encoders are constant bitrate
        }
    }

    AsfStreamSettings stream;
    stream.formatTag = wfx->wFormatTag;
    stream.sampleRate = wfx->nSamplesPerSec;
    stream.channels = wfx->nChannels;
    uint32_t bitrate = 0;
    stream.bitrate =
        SUCCEEDED(config->GetBitrate(&bitrate)) && bitrate > 0 ? bitrate : wfx->nAvgBytesPerSec * 8;
    uint16_t number = 1;
    if (SUCCEEDED(config->GetStreamNumber(&number)) && number != 0) stream.streamNumber = number;
    if (auto* config3 = Query<IWMStreamConfig3>(config.get())) {
        (void)config3->GetLanguage(&stream.language);  // optional
    }
    const char* encoder = WmaEncoderForTag(stream.formatTag);
    uint16_t blockAlign = 0;
    std::vector<uint8_t> extra;
    if (!encoder || !TryWmaEncoder(encoder, stream.bitrate, stream.sampleRate, stream.channels,
                                   &blockAlign, &extra)) {
        return VFW_E_UNSUPPORTED_AUDIO;
    }
    stream_ = stream;
    return S_OK;
}

HRESULT CAsfWriter::SetIndexMode(bool indexFile) {
    CAutoLock lock(&lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    indexMode_ = indexFile;
    return S_OK;
}

// ---- IMediaSeeking: the position is ours, the rest is upstream's ----

HRESULT CAsfWriter::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    *current = position_.load();
    return S_OK;
}

HRESULT CAsfWriter::GetCapabilities(uint32_t* capabilities) {
    HRESULT hr = CPosPassThru::GetCapabilities(capabilities);
    if (capabilities) {
        if (FAILED(hr)) *capabilities = 0;
        *capabilities |= AM_SEEKING_CanGetCurrentPos;
    }
    return capabilities ? S_OK : E_POINTER;
}
HRESULT CAsfWriter::GetTimeFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;  // the only one reported here
    return S_OK;
}
HRESULT CAsfWriter::IsUsingTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}
HRESULT CAsfWriter::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}
HRESULT CAsfWriter::GetPositions(int64_t* current, int64_t* stop) {
    if (!current || !stop) return E_POINTER;
    GetCurrentPosition(current);
    return CPosPassThru::GetStopPosition(stop);
}

}  // namespace tarnel::media
