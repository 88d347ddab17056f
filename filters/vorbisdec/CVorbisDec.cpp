#include "filters/vorbisdec/CVorbisDec.h"

#include <algorithm>
#include <cstring>

#include "filters/oggcommon/OggFilterIds.h"
#include "filters/vorbisdec/PcmInterleave.h"
#include "framework/BufferRequest.h"
#include "framework/RefTime.h"
#include "framework/VectorState.h"

namespace tarnel {

// ---- input pin ----

CVorbisDecInputPin::CVorbisDecInputPin(CVorbisDec* filter, HRESULT* hr)
    : CTransformInputPin("Ogg Vorbis Packets", filter, hr) {}

HRESULT CVorbisDecInputPin::QueryId(std::string* id) {
    if (!id) return E_POINTER;
    *id = "In";
    return S_OK;
}

HRESULT CVorbisDecInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    *props = ALLOCATOR_PROPERTIES();
    props->cBuffers = 2;  // one sample is held back for the look-ahead
    return S_OK;
}

// ---- filter ----

CVorbisDec::CVorbisDec() : CAudioCodecFilter("", CLSID_VorbisDec, {}) {
    HRESULT hr = S_OK;
    SetInputPin(std::make_unique<CVorbisDecInputPin>(this, &hr));
    SetOutputPin(std::make_unique<CTransformOutputPin>("PCM Audio", this, &hr));
}

CVorbisDec::~CVorbisDec() {
    m_pending.Reset();
    ResetSynthesis();
}

HRESULT CVorbisDec::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    auto block = VorbisBlockOf(*in);
    if (!block || block->channels == 0 || block->samplesPerSec == 0) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CVorbisDec::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    if (out->majortype != MEDIATYPE_Audio || out->subtype != MEDIASUBTYPE_PCM)
        return VFW_E_TYPE_NOT_ACCEPTED;
    auto wfx = out->WaveFormatEx();
    if (!wfx || wfx->nSamplesPerSec == 0) return VFW_E_TYPE_NOT_ACCEPTED;
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    // The decoder writes as many channels as the stream has, 2 or 4 bytes each.
    auto block = VorbisBlockOf(*in);
    if (wfx->nChannels != block->channels ||
        (wfx->wBitsPerSample != 16 && wfx->wBitsPerSample != 32))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CVorbisDec::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    auto wfx = m_pOutput->CurrentMediaType().WaveFormatEx();
    if (!wfx) return E_UNEXPECTED;
    return RequestBuffers(alloc, props,
                          {.bytes = static_cast<int32_t>(wfx->nBlockAlign) * kBufferFrames,
                           .align = 1,
                           .keepPrefix = false});
}

HRESULT CVorbisDec::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 1) return VFW_S_NO_MORE_ITEMS;
    auto block = VorbisBlockOf(m_pInput->CurrentMediaType());
    if (!block) return E_UNEXPECTED;
    const bool isFloat = (position == 0) == m_floatFirst;
    const uint16_t bytes = isFloat ? 4 : 2;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    wfx.nChannels = block->channels;
    wfx.nSamplesPerSec = block->samplesPerSec;
    wfx.wBitsPerSample = static_cast<uint16_t>(bytes * 8);
    wfx.nBlockAlign = static_cast<uint16_t>(bytes * block->channels);
    wfx.nAvgBytesPerSec = wfx.nBlockAlign * wfx.nSamplesPerSec;
    *type = CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
    if (block->channels <= 2) {
        type->SetWaveFormat(wfx);
    } else {
        WAVEFORMATEXTENSIBLE ext;
        ext.Format = wfx;
        ext.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        ext.Format.cbSize = 22;
        ext.wValidBitsPerSample = wfx.wBitsPerSample;
        ext.dwChannelMask = 0;
        ext.SubFormat = isFloat ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : KSDATAFORMAT_SUBTYPE_PCM;
        type->format = SerializeWaveFormatExtensible(ext);
    }
    type->SetVariableSize();
    type->SetTemporalCompression(false);
    return S_OK;
}

HRESULT CVorbisDec::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction != PINDIR_OUTPUT || !type) return S_OK;
    CAutoLock lock(&m_csReceive);
    auto wfx = type->WaveFormatEx();
    m_floatOutput = wfx && wfx->wBitsPerSample == 32;
    m_outputChannels = wfx ? wfx->nChannels : 0;
    m_channelMap = WaveChannelMapForVorbis(m_outputChannels);
    return S_OK;
}

void CVorbisDec::ForgetHeaders() {
    for (auto& header : m_headers) header.clear();
}

void CVorbisDec::ResetSynthesis() {
    if (!m_initialised) return;
    vorbis_block_clear(&m_block);
    vorbis_dsp_clear(&m_dsp);
    vorbis_comment_clear(&m_comment);
    vorbis_info_clear(&m_info);
    m_block = {};
    m_dsp = {};
    m_comment = {};
    m_info = {};
    m_initialised = false;
}

HRESULT CVorbisDec::StartStreaming() {
    m_pending.Reset();
    ForgetHeaders();
    ResetSynthesis();
    m_packetCount = 0;
    m_framesDelivered = 0;
    return S_OK;
}

HRESULT CVorbisDec::StopStreaming() {
    m_pending.Reset();
    ResetSynthesis();
    ForgetHeaders();
    return S_OK;
}

HRESULT CVorbisDec::InitSynthesis() {
    for (const auto& header : m_headers) {
        if (header.empty()) return E_FAIL;
    }
    ResetSynthesis();
    vorbis_info_init(&m_info);
    vorbis_comment_init(&m_comment);
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        ogg_packet packet{};
        packet.packet = m_headers[i].data();
        packet.bytes = static_cast<long>(m_headers[i].size());
        packet.b_o_s = i == 0 ? 1 : 0;
        packet.packetno = i;
        ok = vorbis_synthesis_headerin(&m_info, &m_comment, &packet) == 0;
    }
    // The output was negotiated for the stream's channel count; another count would write
    // past the output frames.
    ok = ok && m_info.channels == m_outputChannels;
    ok = ok && vorbis_synthesis_init(&m_dsp, &m_info) == 0;
    if (!ok) {
        vorbis_comment_clear(&m_comment);
        vorbis_info_clear(&m_info);
        m_comment = {};
        m_info = {};
        return E_FAIL;
    }
    vorbis_block_init(&m_dsp, &m_block);
    m_initialised = true;
    m_packetCount = 3;

    m_gainOn = false;
    m_gain = 1.0f;
    const char* tag = nullptr;
    if (vorbis_comment_query_count(&m_comment, "LWING_GAIN") > 0) {
        tag = vorbis_comment_query(&m_comment, "LWING_GAIN", 0);
    } else if (vorbis_comment_query_count(&m_comment, "POSTGAIN") > 0) {
        tag = vorbis_comment_query(&m_comment, "POSTGAIN", 0);
    }
    if (tag) m_gainOn = ParseGainValue(tag, &m_gain);
    if (!m_gainOn) m_gain = 1.0f;
    return S_OK;
}

HRESULT CVorbisDec::Decode(IMediaSample* sample, bool endOfStream, bool skip) {
    ClearUpperVectorState();
    uint8_t* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return E_POINTER;
    const int32_t length = std::max(sample->GetActualDataLength(), 0);
    if (length > 0 && (data[0] & 1)) {
        switch (data[0] & 7) {
            case 1:
                m_headers[0].assign(data, data + length);
                break;
            case 3:
                m_headers[1].assign(data, data + length);
                break;
            case 5:
                m_headers[2].assign(data, data + length);
                break;
            default:
                break;
        }
        return S_OK;
    }
    if (sample->IsDiscontinuity() == S_OK) ResetSynthesis();  // headers stay
    if (skip) return S_OK;
    if (!m_initialised) {
        HRESULT hr = InitSynthesis();
        if (FAILED(hr)) return hr;
    }
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = sample->GetTime(&start, &stop);
    if (FAILED(hr)) return hr;

    ogg_packet packet{};
    packet.packet = data;
    packet.bytes = length;
    packet.e_o_s = endOfStream ? 1 : 0;
    packet.granulepos = RefTimeToSamples(start, m_info.rate);
    packet.packetno = m_packetCount++;
    if (vorbis_synthesis(&m_block, &packet) == 0) vorbis_synthesis_blockin(&m_dsp, &m_block);
    return DeliverPcm();
}

HRESULT CVorbisDec::DeliverPcm() {
    float** pcm = nullptr;
    int available = vorbis_synthesis_pcmout(&m_dsp, &pcm);
    if (available <= 0) return S_OK;
    const int channels = m_info.channels;
    const int bytes = m_floatOutput ? 4 : 2;
    // Times: the returned frames end at the synthesis granule position.
    int64_t firstFrame = m_dsp.granulepos >= 0 ? m_dsp.granulepos - available : m_framesDelivered;
    HRESULT result = S_OK;
    // On a failure the frames still pending are read and dropped.
    auto fail = [&](HRESULT hr) {
        while ((available = vorbis_synthesis_pcmout(&m_dsp, &pcm)) > 0)
            vorbis_synthesis_read(&m_dsp, available);
        return hr;
    };
    while (available > 0) {
        MediaSamplePtr out;
        std::span<uint8_t> room;
        HRESULT hr = GetOutputBuffer(&out, &room);
        if (FAILED(hr)) return fail(hr);
        const auto capacity = static_cast<int>(room.size() / (channels * bytes));
        if (capacity <= 0) return VFW_E_BUFFER_OVERFLOW;
        // A block larger than one buffer continues in the next one instead of being cut.
        const int count = std::min(available, capacity);
        InterleaveFrames(pcm, 0, count, channels, m_channelMap, m_gainOn ? m_gain : 1.0f,
                         m_floatOutput, room.data());
        vorbis_synthesis_read(&m_dsp, count);
        REFERENCE_TIME start = SamplesToRefTime(firstFrame, m_info.rate);
        REFERENCE_TIME stop = SamplesToRefTime(firstFrame + count, m_info.rate);
        firstFrame += count;
        m_framesDelivered += count;
        result = DeliverOutput(out.get(), size_t(count) * channels * bytes, &start, &stop);
        if (FAILED(result)) return fail(result);
        available = vorbis_synthesis_pcmout(&m_dsp, &pcm);
    }
    return result;
}

HRESULT CVorbisDec::ProcessInput(IMediaSample* sample, std::span<const uint8_t> bytes) {
    MediaSamplePtr previous = std::move(m_pending);
    m_pending = MediaSamplePtr::Share(sample);
    if (!previous) return S_OK;
    REFERENCE_TIME start = 0, stop = 0;
    bool negative = SUCCEEDED(sample->GetTime(&start, &stop)) && start < 0;
    return Decode(previous.get(), false, negative);
}

HRESULT CVorbisDec::Drain() {
    MediaSamplePtr last = std::move(m_pending);
    if (last) {
        HRESULT hr = Decode(last.get(), true, false);
        if (FAILED(hr)) AbortStream(hr);
    }
    return S_OK;
}

void CVorbisDec::ResetCodec() {
    m_pending.Reset();
    ResetSynthesis();
    ForgetHeaders();
}

void RegisterVorbisDecoder(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = CLSID_VorbisDec;
    entry.name = "Vorbis Decoder";
    entry.merit = MERIT_NORMAL;
    entry.create = [] { return std::make_shared<CVorbisDec>(); };
    entry.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_VorbisPackets}};
    entry.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(entry));
}

}  // namespace tarnel
