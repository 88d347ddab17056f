#include "filters/mp3enc/CMP3EncFilter.h"

#include <cstring>

#include "framework/MediaSample.h"

namespace tarnel {

namespace {

// Copies a boolean sample property; anything but S_OK or S_FALSE is a fault of the sample.
template <class Get, class Set>
HRESULT CopyFlag(Get get, Set set) {
    HRESULT hr = get();
    if (hr == S_OK) return set(true);
    if (hr == S_FALSE) return set(false);
    return E_UNEXPECTED;
}

HRESULT CopyProperties(IMediaSample* in, IMediaSample* out, bool discontinuityAllowed) {
    int64_t mediaStart = 0, mediaEnd = 0;
    if (in->GetMediaTime(&mediaStart, &mediaEnd) == S_OK) out->SetMediaTime(&mediaStart, &mediaEnd);
    HRESULT hr =
        CopyFlag([&] { return in->IsSyncPoint(); }, [&](bool v) { return out->SetSyncPoint(v); });
    if (FAILED(hr)) return hr;
    hr = CopyFlag([&] { return in->IsPreroll(); }, [&](bool v) { return out->SetPreroll(v); });
    if (FAILED(hr)) return hr;
    hr = CopyFlag([&] { return in->IsDiscontinuity(); },
                  [&](bool v) { return out->SetDiscontinuity(v && discontinuityAllowed); });
    if (FAILED(hr)) return hr;
    CMediaType attached;
    if (in->GetMediaType(&attached) == S_OK) out->SetMediaType(&attached);
    return S_OK;
}

// The part of [start, end) that bytes [from, to) of `total` cover.
REFERENCE_TIME Interpolate(REFERENCE_TIME start, REFERENCE_TIME end, size_t at, size_t total) {
    if (total == 0) return start;
    const long double span = static_cast<long double>(end - start);
    return start + static_cast<REFERENCE_TIME>(span * at / total);
}

}  // namespace

CMP3EncFilter::CMP3EncFilter() : CTransformFilter("MP3 Encoder", CLSID_MP3EncFilter) {
    ResetToDefaults();
}

CMP3EncFilter::~CMP3EncFilter() = default;

void* CMP3EncFilter::QueryInterface(const GUID& iid) {
    if (iid == IMP3AudioEncProperties::IID) return static_cast<IMP3AudioEncProperties*>(this);
    return CTransformFilter::QueryInterface(iid);
}

Mpeg1WaveFormatBlock CMP3EncFilter::OutputFormat() const {
    std::lock_guard lock(formatLock_);
    return outputFormat_;
}

void CMP3EncFilter::RebuildOutputFormat() {
    if (!encoder_.SettingsKnown()) return;
    auto input = encoder_.InputFormat();
    if (!input) return;
    std::lock_guard lock(formatLock_);
    BuildMpeg1WaveFormat(encoder_.Settings(), *input, outputFormat_);
}

// ---- media types ----

HRESULT CMP3EncFilter::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    if (in->majortype != MEDIATYPE_Audio || in->formattype != FORMAT_WaveFormatEx ||
        in->FormatLength() < kWaveFormatExSize || in->bTemporalCompression) {
        return E_INVALIDARG;
    }
    // Only checked here; the format is stored when the connection is made (SetMediaType), so
    // a type merely asked about never replaces the one in use.
    auto format = in->WaveFormatEx();
    if (!format || !CMP3Encoder::IsAcceptedInput(*format)) return E_INVALIDARG;
    return S_OK;
}

HRESULT CMP3EncFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    if (out->formattype != FORMAT_WaveFormatEx || out->FormatLength() < kWaveFormatExSize) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    if (!encoder_.SettingsKnown()) return S_OK;
    const int32_t outputRate = encoder_.Settings()[kMp3OutputSampleRate];
    if (outputRate <= 0) return S_OK;  // LAME picks the rate; nothing to compare with
    auto inFormat = in->WaveFormatEx();
    auto outFormat = out->WaveFormatEx();
    if (!inFormat || !outFormat) return S_OK;
    if (inFormat->nSamplesPerSec % static_cast<uint32_t>(outputRate) == 0 &&
        outFormat->nSamplesPerSec != static_cast<uint32_t>(outputRate)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CMP3EncFilter::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio);
    if (m_pInput->IsConnected()) {
        RebuildOutputFormat();
        type->SetSampleSize(kMp3OutputSampleSize);
        type->SetTemporalCompression(false);
        type->SetFormatType(FORMAT_WaveFormatEx);
        Mpeg1WaveFormatBlock block = OutputFormat();
        type->SetFormat(block);
    } else {
        type->SetFormatType(FORMAT_None);
        type->ResetFormatBuffer();
    }
    return S_OK;
}

HRESULT CMP3EncFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    HRESULT hr = CTransformFilter::SetMediaType(direction, type);
    if (FAILED(hr)) return hr;
    if (!type || type->formattype != FORMAT_WaveFormatEx ||
        type->FormatLength() < kWaveFormatExSize) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    if (direction == PINDIR_OUTPUT) return S_OK;
    auto format = type->WaveFormatEx();
    if (!format) return VFW_E_INVALIDMEDIATYPE;
    hr = encoder_.SetInputFormat(*format);
    if (FAILED(hr)) return hr;
    RebuildOutputFormat();
    ReconnectOutput();
    return S_OK;
}

void CMP3EncFilter::ReconnectOutput() {
    if (!m_pOutput->IsConnected() || !m_pGraph) return;
    IPin* downstream = m_pOutput->GetConnected();
    RebuildOutputFormat();
    CMediaType type;
    if (GetMediaType(0, &type) != S_OK) return;
    // Results are not examined: a failed reconnection shows when the graph is run.
    if (downstream->QueryAccept(&type) == S_OK) {
        (void)m_pGraph->Reconnect(m_pOutput);
        return;
    }
    (void)m_pGraph->Disconnect(downstream);
    (void)m_pGraph->Disconnect(m_pOutput);
    if (auto* builder = Query<IGraphBuilder>(m_pGraph))
        (void)builder->Connect(m_pOutput, downstream);
}

HRESULT CMP3EncFilter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    ALLOCATOR_PROPERTIES request = *props;
    request.cBuffers = kMp3OutputBufferCount;
    request.cbBuffer = static_cast<int32_t>(kMp3OutputBufferBytes);
    if (request.cbAlign <= 0) request.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = alloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < kMp3OutputBufferCount ||
        actual.cbBuffer < static_cast<int32_t>(kMp3OutputBufferBytes)) {
        return E_INVALIDARG;
    }
    return S_OK;
}

// ---- streaming ----

HRESULT CMP3EncFilter::StartStreaming() {
    // Without settings or input the encoder stays closed and the samples come out empty.
    (void)encoder_.Open();
    return S_OK;
}

HRESULT CMP3EncFilter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!in || !out) return E_POINTER;
    if (IsStopped()) {
        out->SetActualDataLength(0);
        return S_OK;
    }
    const int32_t length = in->GetActualDataLength();
    REFERENCE_TIME start = 0, end = 0;
    if (SUCCEEDED(in->GetTime(&start, &end))) out->SetTime(&start, &end);
    uint8_t* data = nullptr;
    if (FAILED(in->GetPointer(&data)) || length < 0 || (length > 0 && !data)) return E_UNEXPECTED;
    bool piecesAhead = false;
    HRESULT hr = EncodeSample(in, std::span<const uint8_t>(data, static_cast<size_t>(length)), out,
                              &piecesAhead);
    if (FAILED(hr)) return hr;
    // A discontinuity belongs to the first piece only.
    return CopyProperties(in, out, !piecesAhead);
}

HRESULT CMP3EncFilter::EncodeSample(IMediaSample* in, std::span<const uint8_t> pcm,
                                    IMediaSample* out, bool* piecesAhead) {
    *piecesAhead = false;
    uint8_t* outData = nullptr;
    if (FAILED(out->GetPointer(&outData)) || !outData) return E_UNEXPECTED;
    const size_t outSize = static_cast<size_t>(std::max(out->GetSize(), 0));
    const size_t total = pcm.size();
    auto format = encoder_.InputFormat();
    const size_t frameBytes = format ? size_t{format->nChannels} * format->wBitsPerSample / 8 : 0;

    size_t done = 0;
    if (frameBytes > 0) {
        // Whatever does not fit into `out` goes ahead in buffers of its own.
        while ((total - done) / frameBytes > CMP3Encoder::MaxFramesFor(outSize)) {
            size_t pieceFrames = CMP3Encoder::MaxFramesFor(outSize);
            if (pieceFrames == 0) return E_UNEXPECTED;
            size_t pieceEnd = done + pieceFrames * frameBytes;
            HRESULT hr = DeliverPiece(in, pcm, done, pieceEnd, total);
            if (FAILED(hr)) return hr;
            done = pieceEnd;
            *piecesAhead = true;
        }
    }
    size_t consumed = 0, produced = 0;
    HRESULT hr = encoder_.Encode(pcm.subspan(done), std::span<uint8_t>(outData, outSize), &consumed,
                                 &produced);
    if (FAILED(hr) || consumed != total - done) return E_UNEXPECTED;
    REFERENCE_TIME start = 0, end = 0;
    if (done > 0 && SUCCEEDED(in->GetTime(&start, &end))) {
        REFERENCE_TIME pieceStart = Interpolate(start, end, done, total);
        out->SetTime(&pieceStart, &end);
    }
    return out->SetActualDataLength(static_cast<int32_t>(produced));
}

HRESULT CMP3EncFilter::DeliverPiece(IMediaSample* in, std::span<const uint8_t> pcm,
                                    size_t pieceBegin, size_t pieceEnd, size_t totalBytes) {
    MediaSamplePtr piece;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(piece.Receive(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    uint8_t* data = nullptr;
    if (FAILED(piece->GetPointer(&data)) || !data) return E_UNEXPECTED;
    const size_t size = static_cast<size_t>(std::max(piece->GetSize(), 0));
    size_t consumed = 0, produced = 0;
    hr = encoder_.Encode(pcm.subspan(pieceBegin, pieceEnd - pieceBegin),
                         std::span<uint8_t>(data, size), &consumed, &produced);
    if (FAILED(hr) || consumed != pieceEnd - pieceBegin) return E_UNEXPECTED;
    REFERENCE_TIME start = 0, end = 0;
    if (SUCCEEDED(in->GetTime(&start, &end))) {
        REFERENCE_TIME a = Interpolate(start, end, pieceBegin, totalBytes);
        REFERENCE_TIME b = Interpolate(start, end, pieceEnd, totalBytes);
        piece->SetTime(&a, &b);
    }
    hr = CopyProperties(in, piece.get(), pieceBegin == 0);
    if (FAILED(hr)) return hr;
    piece->SetActualDataLength(static_cast<int32_t>(produced));
    hr = m_pOutput->Deliver(piece.get());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CMP3EncFilter::EndOfStream() {
    MediaSamplePtr last;
    if (SUCCEEDED(m_pOutput->GetDeliveryBuffer(last.Receive(), nullptr, nullptr, 0))) {
        uint8_t* data = nullptr;
        size_t produced = 0;
        HRESULT hr = E_UNEXPECTED;
        if (SUCCEEDED(last->GetPointer(&data)) && data) {
            hr = encoder_.Flush(
                std::span<uint8_t>(data, static_cast<size_t>(std::max(last->GetSize(), 0))),
                &produced);
        }
        if (FAILED(hr)) {
            last.Reset();
            encoder_.Close();
            AbortStream(E_UNEXPECTED);
            return E_UNEXPECTED;
        }
        if (produced > 0) {
            last->SetActualDataLength(static_cast<int32_t>(produced));
            (void)m_pOutput->Deliver(last.get());  // a refusal shows in the writer's result
        }
    }
    last.Reset();
    encoder_.Close();
    return CTransformFilter::EndOfStream();
}

HRESULT CMP3EncFilter::BeginFlush() {
    encoder_.Close();  // audio LAME still holds belongs to the position being left
    return CTransformFilter::BeginFlush();
}

HRESULT CMP3EncFilter::EndFlush() {
    // Streaming goes on from the new position with a fresh encoder.
    if (!IsStopped()) (void)encoder_.Open();
    return CTransformFilter::EndFlush();
}

// ---- settings ----

HRESULT CMP3EncFilter::GetWord(Mp3SettingWord word, int32_t* value) {
    if (!value) return E_POINTER;
    *value = encoder_.Settings()[word];
    return S_OK;
}

HRESULT CMP3EncFilter::SetWord(Mp3SettingWord word, int32_t value) {
    Mp3EncSettings s = encoder_.Settings();
    s[word] = value;
    HRESULT hr = encoder_.SetSettings(s);
    RebuildOutputFormat();
    return hr;
}

HRESULT CMP3EncFilter::GetBitrate(int32_t* v) {
    return GetWord(kMp3Bitrate, v);
}
HRESULT CMP3EncFilter::SetBitrate(int32_t v) {
    return SetWord(kMp3Bitrate, v);
}
HRESULT CMP3EncFilter::GetVbrEnabled(int32_t* v) {
    HRESULT hr = GetWord(kMp3VbrMode, v);
    if (SUCCEEDED(hr)) *v = *v != 0 ? 1 : 0;
    return hr;
}
HRESULT CMP3EncFilter::SetVbrEnabled(int32_t v) {
    return SetWord(kMp3VbrMode, v ? 2 : 0);
}
HRESULT CMP3EncFilter::GetVbrMinBitrate(int32_t* v) {
    return GetWord(kMp3VbrMinBitrate, v);
}
HRESULT CMP3EncFilter::SetVbrMinBitrate(int32_t v) {
    return SetWord(kMp3VbrMinBitrate, v);
}
HRESULT CMP3EncFilter::GetVbrMaxBitrate(int32_t* v) {
    return GetWord(kMp3VbrMaxBitrate, v);
}
HRESULT CMP3EncFilter::SetVbrMaxBitrate(int32_t v) {
    return SetWord(kMp3VbrMaxBitrate, v);
}
HRESULT CMP3EncFilter::GetEncodingQuality(int32_t* v) {
    return GetWord(kMp3EncodingQuality, v);
}
HRESULT CMP3EncFilter::SetEncodingQuality(int32_t v) {
    return SetWord(kMp3EncodingQuality, v);
}
HRESULT CMP3EncFilter::GetVbrQuality(int32_t* v) {
    return GetWord(kMp3VbrQuality, v);
}
HRESULT CMP3EncFilter::SetVbrQuality(int32_t v) {
    return SetWord(kMp3VbrQuality, v);
}

HRESULT CMP3EncFilter::GetInputSampleRate(int32_t* hz) {
    if (!hz) return E_POINTER;
    auto format = encoder_.InputFormat();
    *hz = format ? static_cast<int32_t>(format->nSamplesPerSec) : 0;
    return format ? S_OK : E_FAIL;
}

HRESULT CMP3EncFilter::GetInputChannels(int32_t* channels) {
    if (!channels) return E_POINTER;
    auto format = encoder_.InputFormat();
    *channels = format ? format->nChannels : 0;
    return format ? S_OK : E_FAIL;
}

HRESULT CMP3EncFilter::GetOutputSampleRate(int32_t* v) {
    return GetWord(kMp3OutputSampleRate, v);
}
HRESULT CMP3EncFilter::SetOutputSampleRate(int32_t v) {
    return SetWord(kMp3OutputSampleRate, v);
}
HRESULT CMP3EncFilter::GetChannelMode(int32_t* v) {
    return GetWord(kMp3ChannelMode, v);
}
HRESULT CMP3EncFilter::SetChannelMode(int32_t v) {
    return SetWord(kMp3ChannelMode, v);
}
HRESULT CMP3EncFilter::GetErrorProtection(int32_t* v) {
    return GetWord(kMp3ErrorProtection, v);
}
HRESULT CMP3EncFilter::SetErrorProtection(int32_t v) {
    return SetWord(kMp3ErrorProtection, v);
}
HRESULT CMP3EncFilter::GetOriginalBit(int32_t* v) {
    return GetWord(kMp3Original, v);
}
HRESULT CMP3EncFilter::SetOriginalBit(int32_t v) {
    return SetWord(kMp3Original, v);
}
HRESULT CMP3EncFilter::GetCopyrightBit(int32_t* v) {
    return GetWord(kMp3Copyright, v);
}
HRESULT CMP3EncFilter::SetCopyrightBit(int32_t v) {
    return SetWord(kMp3Copyright, v);
}
HRESULT CMP3EncFilter::GetVbrHardMinimum(int32_t* v) {
    return GetWord(kMp3VbrHardMinimum, v);
}
HRESULT CMP3EncFilter::SetVbrHardMinimum(int32_t v) {
    return SetWord(kMp3VbrHardMinimum, v);
}
HRESULT CMP3EncFilter::GetVoicePreset(int32_t* v) {
    return GetWord(kMp3VoicePreset, v);
}
HRESULT CMP3EncFilter::SetVoicePreset(int32_t v) {
    return SetWord(kMp3VoicePreset, v);
}
HRESULT CMP3EncFilter::GetFullBandwidth(int32_t* v) {
    return GetWord(kMp3FullBandwidth, v);
}
HRESULT CMP3EncFilter::SetFullBandwidth(int32_t v) {
    return SetWord(kMp3FullBandwidth, v);
}
HRESULT CMP3EncFilter::GetStrictIso(int32_t* v) {
    return GetWord(kMp3StrictIso, v);
}
HRESULT CMP3EncFilter::SetStrictIso(int32_t v) {
    return SetWord(kMp3StrictIso, v);
}
HRESULT CMP3EncFilter::GetSpareSetting(int32_t* v) {
    return GetWord(kMp3SpareSetting, v);
}
HRESULT CMP3EncFilter::SetSpareSetting(int32_t v) {
    return SetWord(kMp3SpareSetting, v);
}
HRESULT CMP3EncFilter::GetForceMidSide(int32_t* v) {
    return GetWord(kMp3ForceMidSide, v);
}
HRESULT CMP3EncFilter::SetForceMidSide(int32_t v) {
    return SetWord(kMp3ForceMidSide, v);
}
HRESULT CMP3EncFilter::GetSpareSetting2(int32_t* v) {
    return GetWord(kMp3SpareSetting2, v);
}
HRESULT CMP3EncFilter::SetSpareSetting2(int32_t v) {
    return SetWord(kMp3SpareSetting2, v);
}

HRESULT CMP3EncFilter::GetSettingsBlock(uint8_t* buffer, int32_t* size) {
    constexpr auto kBytes = static_cast<int32_t>(Mp3EncSettings::kBytes);
    if (!buffer) {
        if (!size) return E_FAIL;
        *size = kBytes;
        return S_OK;
    }
    if (!size) return E_POINTER;
    if (*size < kBytes) {
        *size = kBytes;
        return E_FAIL;
    }
    auto bytes = encoder_.Settings().ToBytes();
    std::memcpy(buffer, bytes.data(), bytes.size());
    return S_OK;
}

HRESULT CMP3EncFilter::SetSettingsBlock(const uint8_t* buffer, int32_t size) {
    if (size != static_cast<int32_t>(Mp3EncSettings::kBytes)) return E_FAIL;
    if (!buffer) return E_POINTER;
    HRESULT hr = encoder_.SetSettings(Mp3EncSettings::FromBytes(
        std::span<const uint8_t, Mp3EncSettings::kBytes>(buffer, Mp3EncSettings::kBytes)));
    RebuildOutputFormat();
    return hr;
}

HRESULT CMP3EncFilter::ResetToDefaults() {
    // Storing the block first marks the settings as known; the spare words 7, 17 and 19 keep
    // their values.
    encoder_.SetSettings(encoder_.Settings());
    SetBitrate(128);
    SetVbrEnabled(false);
    SetVbrMinBitrate(80);
    SetVbrMaxBitrate(160);
    SetEncodingQuality(5);
    SetVbrQuality(4);
    SetOutputSampleRate(44100);
    SetErrorProtection(0);
    SetOriginalBit(0);
    SetCopyrightBit(0);
    SetVbrHardMinimum(0);
    SetVoicePreset(0);
    SetFullBandwidth(0);
    SetStrictIso(0);
    SetSpareSetting(0);
    SetForceMidSide(0);
    SetChannelMode(0);
    return S_OK;
}

HRESULT CMP3EncFilter::IsInputFormatKnown() {
    return encoder_.InputFormat() ? S_OK : E_FAIL;
}

void RegisterMp3Encoder(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = CLSID_MP3EncFilter;
    entry.name = "MP3 Encoder";
    entry.merit = MERIT_DO_NOT_USE;
    entry.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<CMP3EncFilter>()); };
    registry.Register(std::move(entry));
}

}  // namespace tarnel
