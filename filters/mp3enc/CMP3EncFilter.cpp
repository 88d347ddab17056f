#include "filters/mp3enc/CMP3EncFilter.h"

#include <cstring>

#include "framework/BufferRequest.h"

namespace tarnel {

namespace {

// The part of [start, end) that bytes [from, to) of `total` cover.
REFERENCE_TIME Interpolate(REFERENCE_TIME start, REFERENCE_TIME end, size_t at, size_t total) {
    if (total == 0) return start;
    const long double span = static_cast<long double>(end - start);
    return start + static_cast<REFERENCE_TIME>(span * at / total);
}

}  // namespace

CMP3EncFilter::CMP3EncFilter()
    : CAudioCodecFilter("MP3 Encoder", CLSID_MP3EncFilter, {.syncPoint = false}) {
    ResetToDefaults();
}

CMP3EncFilter::~CMP3EncFilter() = default;

void* CMP3EncFilter::QueryInterface(const GUID& iid) {
    if (iid == IMP3AudioEncProperties::IID) return static_cast<IMP3AudioEncProperties*>(this);
    return CAudioCodecFilter::QueryInterface(iid);
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
    HRESULT hr = CAudioCodecFilter::SetMediaType(direction, type);
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
    return RequestBuffers(alloc, props,
                          {.buffers = kMp3OutputBufferCount,
                           .bytes = static_cast<int32_t>(kMp3OutputBufferBytes),
                           .exact = true,
                           .needAsked = true,
                           .shortfall = E_INVALIDARG});
}

// ---- streaming ----

HRESULT CMP3EncFilter::StartStreaming() {
    // Without settings or input the encoder stays closed and the samples come out empty.
    (void)encoder_.Open();
    return S_OK;
}

HRESULT CMP3EncFilter::ProcessInput(IMediaSample* in, std::span<const uint8_t>) {
    MediaSamplePtr out;
    HRESULT hr = InitializeOutputSample(in, out.Receive());
    if (FAILED(hr)) return hr;
    hr = Transform(in, out.get());
    if (FAILED(hr)) return hr;
    return m_pOutput->Deliver(out.get());
}

HRESULT CMP3EncFilter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!in || !out) return E_POINTER;
    if (IsStopped()) {
        out->SetActualDataLength(0);
        return S_OK;
    }
    const int32_t length = in->GetActualDataLength();
    uint8_t* data = nullptr;
    if (FAILED(in->GetPointer(&data)) || length < 0 || (length > 0 && !data)) return E_UNEXPECTED;
    return EncodeSample(in, std::span<const uint8_t>(data, static_cast<size_t>(length)), out);
}

HRESULT CMP3EncFilter::EncodeSample(IMediaSample* in, std::span<const uint8_t> pcm,
                                    IMediaSample* out) {
    uint8_t* outData = nullptr;
    HRESULT hr = out->GetPointer(&outData);
    if (FAILED(hr)) return hr;
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
            hr = DeliverPiece(in, pcm, done, pieceEnd, total);
            if (FAILED(hr)) return hr;
            done = pieceEnd;
        }
    }
    hr = EncodeInto(pcm.subspan(done), out, outData, outSize);
    if (FAILED(hr)) return hr;
    if (done > 0) SetPieceTimes(in, out, done, total, total);
    return S_OK;
}

HRESULT CMP3EncFilter::EncodeInto(std::span<const uint8_t> pcm, IMediaSample* out, uint8_t* outData,
                                  size_t outSize) {
    size_t consumed = 0, produced = 0;
    HRESULT hr = encoder_.Encode(pcm, std::span<uint8_t>(outData, outSize), &consumed, &produced);
    if (FAILED(hr)) return hr;
    if (consumed != pcm.size()) return E_UNEXPECTED;
    return out->SetActualDataLength(static_cast<int32_t>(produced));
}

void CMP3EncFilter::SetPieceTimes(IMediaSample* in, IMediaSample* piece, size_t pieceBegin,
                                  size_t pieceEnd, size_t totalBytes) {
    // A discontinuity belongs to the first piece only.
    if (pieceBegin > 0) piece->SetDiscontinuity(false);
    REFERENCE_TIME start = 0, end = 0;
    if (FAILED(in->GetTime(&start, &end))) return;
    REFERENCE_TIME a = Interpolate(start, end, pieceBegin, totalBytes);
    REFERENCE_TIME b = pieceEnd == totalBytes ? end : Interpolate(start, end, pieceEnd, totalBytes);
    piece->SetTime(&a, &b);
}

HRESULT CMP3EncFilter::DeliverPiece(IMediaSample* in, std::span<const uint8_t> pcm,
                                    size_t pieceBegin, size_t pieceEnd, size_t totalBytes) {
    MediaSamplePtr piece;
    HRESULT hr = InitializeOutputSample(in, piece.Receive());
    if (FAILED(hr)) return hr;
    uint8_t* data = nullptr;
    hr = piece->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const size_t size = static_cast<size_t>(std::max(piece->GetSize(), 0));
    hr = EncodeInto(pcm.subspan(pieceBegin, pieceEnd - pieceBegin), piece.get(), data, size);
    if (FAILED(hr)) return hr;
    SetPieceTimes(in, piece.get(), pieceBegin, pieceEnd, totalBytes);
    hr = m_pOutput->Deliver(piece.get());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CMP3EncFilter::Drain() {
    MediaSamplePtr last;
    std::span<uint8_t> room;
    HRESULT hr = S_OK;
    // Without a buffer (the filter is stopping) the tail goes with the encoder.
    if (SUCCEEDED(GetOutputBuffer(&last, &room))) {
        size_t produced = 0;
        hr = encoder_.Flush(room, &produced);
        // A refusal downstream shows in the writer's result.
        if (SUCCEEDED(hr) && produced > 0) (void)DeliverOutput(last.get(), produced);
    }
    last.Reset();
    encoder_.Close();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CMP3EncFilter::BeginFlush() {
    encoder_.Close();  // audio LAME still holds belongs to the position being left
    return CAudioCodecFilter::BeginFlush();
}

void CMP3EncFilter::ResetCodec() {
    if (!IsStopped()) (void)encoder_.Open();
}

// ---- settings ----

// The getter and setter of one setting word.
#define TARNEL_MP3_SETTING(Name, word)                 \
    HRESULT CMP3EncFilter::Get##Name(int32_t* value) { \
        return GetWord(word, value);                   \
    }                                                  \
    HRESULT CMP3EncFilter::Set##Name(int32_t value) {  \
        return SetWord(word, value);                   \
    }

HRESULT CMP3EncFilter::GetWord(Mp3SettingWord word, int32_t* value) {
    if (!value) return E_POINTER;
    *value = encoder_.Settings()[word];
    return S_OK;
}

HRESULT CMP3EncFilter::SetWord(Mp3SettingWord word, int32_t value) {
    return SetWords({{word, value}});
}

HRESULT CMP3EncFilter::SetWords(std::initializer_list<std::pair<Mp3SettingWord, int32_t>> words) {
    Mp3EncSettings s = encoder_.Settings();
    for (const auto& [word, value] : words) s[word] = value;
    HRESULT hr = encoder_.SetSettings(s);
    RebuildOutputFormat();
    return hr;
}

TARNEL_MP3_SETTING(Bitrate, kMp3Bitrate)
HRESULT CMP3EncFilter::GetVbrEnabled(int32_t* v) {
    HRESULT hr = GetWord(kMp3VbrMode, v);
    if (SUCCEEDED(hr)) *v = *v != 0 ? 1 : 0;
    return hr;
}
HRESULT CMP3EncFilter::SetVbrEnabled(int32_t v) {
    return SetWord(kMp3VbrMode, v ? 2 : 0);
}
TARNEL_MP3_SETTING(VbrMinBitrate, kMp3VbrMinBitrate)
TARNEL_MP3_SETTING(VbrMaxBitrate, kMp3VbrMaxBitrate)
TARNEL_MP3_SETTING(EncodingQuality, kMp3EncodingQuality)
TARNEL_MP3_SETTING(VbrQuality, kMp3VbrQuality)

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

TARNEL_MP3_SETTING(OutputSampleRate, kMp3OutputSampleRate)
TARNEL_MP3_SETTING(ChannelMode, kMp3ChannelMode)
TARNEL_MP3_SETTING(ErrorProtection, kMp3ErrorProtection)
TARNEL_MP3_SETTING(OriginalBit, kMp3Original)
TARNEL_MP3_SETTING(CopyrightBit, kMp3Copyright)
TARNEL_MP3_SETTING(VbrHardMinimum, kMp3VbrHardMinimum)
TARNEL_MP3_SETTING(VoicePreset, kMp3VoicePreset)
TARNEL_MP3_SETTING(FullBandwidth, kMp3FullBandwidth)
TARNEL_MP3_SETTING(StrictIso, kMp3StrictIso)
TARNEL_MP3_SETTING(SpareSetting, kMp3SpareSetting)
TARNEL_MP3_SETTING(ForceMidSide, kMp3ForceMidSide)
TARNEL_MP3_SETTING(SpareSetting2, kMp3SpareSetting2)
#undef TARNEL_MP3_SETTING

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
    // Storing the block marks the settings as known; the spare words 7, 17 and 19 keep their
    // values.
    return SetWords({{kMp3Bitrate, 128},
                     {kMp3VbrMode, 0},
                     {kMp3VbrMinBitrate, 80},
                     {kMp3VbrMaxBitrate, 160},
                     {kMp3EncodingQuality, 5},
                     {kMp3VbrQuality, 4},
                     {kMp3OutputSampleRate, 44100},
                     {kMp3ErrorProtection, 0},
                     {kMp3Original, 0},
                     {kMp3Copyright, 0},
                     {kMp3VbrHardMinimum, 0},
                     {kMp3VoicePreset, 0},
                     {kMp3FullBandwidth, 0},
                     {kMp3StrictIso, 0},
                     {kMp3SpareSetting, 0},
                     {kMp3ForceMidSide, 0},
                     {kMp3ChannelMode, 0}});
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
