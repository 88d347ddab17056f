#include "filters/vorbisenc/CVorbisEnc.h"

#include <algorithm>
#include <cstring>

#include <vorbis/vorbisenc.h>

#include "filters/oggcommon/OggFilterIds.h"
#include "filters/vorbisenc/CVorbisEncOutputPin.h"
#include "filters/vorbisenc/PcmDeinterleave.h"
#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"
#include "framework/RefTime.h"
#include "framework/VectorState.h"

namespace tarnel {

namespace {

// Input samples the encoder converts: 16-bit integer or 32-bit float.
struct InputLayout {
    int channels = 0;
    int64_t rate = 0;
    int bytesPerSample = 0;
    bool isFloat = false;
};

std::optional<InputLayout> LayoutOf(const CMediaType& type) {
    if (type.formattype != FORMAT_WaveFormatEx) return std::nullopt;
    auto info = type.WaveFormat();
    if (!info) return std::nullopt;
    const WAVEFORMATEX& wfx = info->format;
    if (wfx.wFormatTag != WAVE_FORMAT_PCM && wfx.wFormatTag != WAVE_FORMAT_IEEE_FLOAT &&
        wfx.wFormatTag != WAVE_FORMAT_EXTENSIBLE)
        return std::nullopt;
    if (wfx.nChannels == 0) return std::nullopt;
    uint16_t tag = info->EffectiveTag();
    InputLayout layout;
    layout.channels = wfx.nChannels;
    layout.rate = wfx.nSamplesPerSec;
    if (tag == WAVE_FORMAT_PCM && wfx.wBitsPerSample == 16) {
        layout.bytesPerSample = 2;
    } else if (tag == WAVE_FORMAT_IEEE_FLOAT && wfx.wBitsPerSample == 32) {
        layout.bytesPerSample = 4;
        layout.isFloat = true;
    } else {
        return std::nullopt;
    }
    return layout;
}

}  // namespace

CVorbisEnc::CVorbisEnc()
    : CAudioCodecFilter("QZ Vorbis Encoder", CLSID_VorbisEnc, {.syncPoint = false}) {
    HRESULT hr = S_OK;
    SetInputPin(std::make_unique<CTransformInputPin>("PCM Audio", this, &hr));
    SetOutputPin(std::make_unique<CVorbisEncOutputPin>(this, &hr));
}

CVorbisEnc::~CVorbisEnc() {
    ReleaseEncoder();
}

void* CVorbisEnc::QueryInterface(const GUID& iid) {
    if (iid == IVorbisEncoderControl::IID) return static_cast<IVorbisEncoderControl*>(this);
    return CAudioCodecFilter::QueryInterface(iid);
}

HRESULT CVorbisEnc::TrialStartStreaming() {
    CAutoLock lock(&m_csFilter);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    CAutoLock receive(&m_csReceive);
    // Whether libvorbis accepts the settings is known once the encoder description is set
    // up; the analysis state (tens of millions of instructions of tables) is left for the run.
    ReleaseEncoder();
    return SetUpInfo();
}

HRESULT CVorbisEnc::TrialStopStreaming() {
    CAutoLock lock(&m_csFilter);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    CAutoLock receive(&m_csReceive);
    return StopStreaming();
}

HRESULT CVorbisEnc::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    return LayoutOf(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVorbisEnc::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    if (out->majortype != MEDIATYPE_Audio || out->subtype != MEDIASUBTYPE_VorbisPackets ||
        out->formattype != FORMAT_VorbisBlock)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return CheckInputType(in) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVorbisEnc::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    return RequestBuffers(alloc, props,
                          {.bytes = kMinOutputBuffer, .align = 1, .keepPrefix = false});
}

HRESULT CVorbisEnc::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto wfx = m_pInput->CurrentMediaType().WaveFormatEx();
    if (!wfx) return E_UNEXPECTED;
    VorbisFormatBlock block = StoredSettings();
    block.channels = wfx->nChannels;
    block.samplesPerSec = wfx->nSamplesPerSec;
    *type = MakeVorbisMediaType(block);
    return S_OK;
}

void CVorbisEnc::StoreSettings(const VorbisFormatBlock& block) {
    m_quality = block.quality;
    m_minBitsPerSec = block.minBitsPerSec;
    m_avgBitsPerSec = block.avgBitsPerSec;
    m_maxBitsPerSec = block.maxBitsPerSec;
}

VorbisFormatBlock CVorbisEnc::StoredSettings() const {
    VorbisFormatBlock block;
    block.minBitsPerSec = m_minBitsPerSec;
    block.avgBitsPerSec = m_avgBitsPerSec;
    block.maxBitsPerSec = m_maxBitsPerSec;
    block.quality = m_quality;
    return block;
}

HRESULT CVorbisEnc::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction != PINDIR_INPUT || !type) return S_OK;
    auto wfx = type->WaveFormatEx();
    m_channelMap = VorbisChannelMapForInput(wfx ? wfx->nChannels : 0);
    return S_OK;
}

void CVorbisEnc::ReleaseEncoder() {
    if (m_encoderReady) {
        vorbis_block_clear(&m_block);
        vorbis_dsp_clear(&m_dsp);
        vorbis_comment_clear(&m_comment);
        m_encoderReady = false;
    }
    if (m_infoReady) {
        vorbis_info_clear(&m_info);
        m_infoReady = false;
    }
    m_block = {};
    m_dsp = {};
    m_comment = {};
    m_info = {};
}

HRESULT CVorbisEnc::SetUpInfo() {
    auto block = VorbisBlockOf(m_pOutput->CurrentMediaType());
    if (!block) return S_FALSE;
    // Deinterleaving uses the input's channel count: the configured one must match.
    if (m_pInput->IsConnected()) {
        auto layout = LayoutOf(m_pInput->CurrentMediaType());
        if (!layout || layout->channels != block->channels) return S_FALSE;
    }
    m_channels = block->channels;
    m_rate = block->samplesPerSec;

    vorbis_info_init(&m_info);
    m_infoReady = true;
    int result;
    if (m_quality >= -0.1f && m_quality <= 1.0f) {
        result = vorbis_encode_init_vbr(&m_info, m_channels, static_cast<long>(m_rate), m_quality);
    } else if (m_managedVbr) {
        result = vorbis_encode_setup_managed(&m_info, m_channels, static_cast<long>(m_rate), -1,
                                             m_avgBitsPerSec, -1);
        // Bitrate management off: a quality mode chosen from the nominal bitrate.
        if (result >= 0) result = vorbis_encode_ctl(&m_info, OV_ECTL_RATEMANAGE2_SET, nullptr);
        if (result >= 0) result = vorbis_encode_setup_init(&m_info);
    } else {
        result = vorbis_encode_init(&m_info, m_channels, static_cast<long>(m_rate), m_maxBitsPerSec,
                                    m_avgBitsPerSec, m_minBitsPerSec);
    }
    if (result < 0) {
        ReleaseEncoder();
        return S_FALSE;
    }
    return S_OK;
}

HRESULT CVorbisEnc::StartStreaming() {
    ReleaseEncoder();
    if (HRESULT hr = SetUpInfo(); hr != S_OK) return hr;
    vorbis_comment_init(&m_comment);
    if (vorbis_analysis_init(&m_dsp, &m_info) != 0) {
        vorbis_comment_clear(&m_comment);
        ReleaseEncoder();
        return S_FALSE;
    }
    vorbis_block_init(&m_dsp, &m_block);
    m_encoderReady = true;
    m_samplesSubmitted = 0;
    m_headersSent = false;
    m_anchorSet = false;
    return S_OK;
}

HRESULT CVorbisEnc::StopStreaming() {
    ReleaseEncoder();
    return S_OK;
}

HRESULT CVorbisEnc::DeliverPacket(const ogg_packet& packet, REFERENCE_TIME start,
                                  REFERENCE_TIME stop, uint32_t flags) {
    MediaSamplePtr out;
    std::span<uint8_t> room;
    HRESULT hr = GetOutputBuffer(&out, &room, flags);
    if (FAILED(hr)) return hr;
    const auto bytes = static_cast<size_t>(packet.bytes);
    if (room.size() < bytes) return VFW_E_BUFFER_OVERFLOW;
    std::memcpy(room.data(), packet.packet, bytes);
    return DeliverOutput(out.get(), bytes, &start, &stop);
}

HRESULT CVorbisEnc::DeliverHeaders() {
    ogg_packet packets[3];
    vorbis_analysis_headerout(&m_dsp, &m_comment, &packets[0], &packets[1], &packets[2]);
    for (const ogg_packet& packet : packets) {
        // A header that cannot go out leaves them all unsent: the next drain tries again.
        HRESULT hr = DeliverPacket(packet, 0, 0, 0);
        if (FAILED(hr)) return hr;
    }
    m_headersSent = true;
    return S_OK;
}

HRESULT CVorbisEnc::DeliverPackets() {
    if (!m_headersSent) {
        HRESULT hr = DeliverHeaders();
        if (FAILED(hr)) return hr;
    }
    HRESULT result = S_OK;
    while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
        vorbis_analysis(&m_block, nullptr);
        vorbis_bitrate_addblock(&m_block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&m_dsp, &packet)) {
            result = DeliverPacket(packet, SamplesToRefTime(packet.granulepos, m_info.rate),
                                   SamplesToRefTime(m_dsp.granulepos, m_info.rate),
                                   AM_GBF_NOTASYNCPOINT);
            if (FAILED(result)) return result;
        }
    }
    return result;
}

HRESULT CVorbisEnc::ProcessInput(IMediaSample* sample, std::span<const uint8_t> input) {
    ClearUpperVectorState();
    // The set-up was refused: nothing can be encoded in this run.
    if (!m_encoderReady) return E_VORBIS_SETTINGS_REJECTED;
    auto layout = LayoutOf(m_pInput->CurrentMediaType());
    if (!layout || layout->channels != m_channels ||
        static_cast<size_t>(layout->channels) != m_channelMap.size()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const uint8_t* data = input.data();
    const int channels = layout->channels;
    const int bytes = layout->bytesPerSample;
    const auto frames = static_cast<int64_t>(input.size() / channels / bytes);

    // Where this input starts on the encoder's sample line. An unstamped sample continues the
    // line. A stamped one is placed by its distance from the end of the previous input, so
    // time stamps that run slightly slow or fast (a whole number of 100 ns per byte upstream)
    // never look like overlaps or gaps; only real jumps do.
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeResult = sample->GetTime(&start, &stop);
    int64_t startSample = m_samplesSubmitted;
    if (SUCCEEDED(timeResult)) {
        startSample = m_anchorSet
                          ? m_anchorSample + RefTimeToSamples(start - m_anchorTime, layout->rate)
                          : RefTimeToSamples(start, layout->rate);
    }
    const int64_t endSample = startSample + frames;
    if (timeResult == S_OK && stop > start) {
        m_anchorTime = stop;
    } else if (SUCCEEDED(timeResult)) {
        m_anchorTime = start + SamplesToRefTime(frames, layout->rate);  // no usable stop time
    } else if (m_anchorSet) {
        m_anchorTime += SamplesToRefTime(endSample - m_anchorSample, layout->rate);
    } else {
        m_anchorTime = SamplesToRefTime(endSample, layout->rate);
    }
    m_anchorSample = endSample;
    m_anchorSet = true;

    // Overlap trimming: frames already covered by earlier input are dropped.
    int64_t i = 0;
    if (startSample < m_samplesSubmitted) i = m_samplesSubmitted - startSample;
    if (i >= frames) return S_OK;

    while (i < frames) {
        float** buffer = vorbis_analysis_buffer(&m_dsp, kAnalysisFrames);
        int j = 0;
        // Gap filling: silence up to where this input starts.
        while (j < kAnalysisFrames && m_samplesSubmitted + j < startSample + i) {
            for (int k = 0; k < channels; ++k) buffer[k][j] = 0.0f;
            ++j;
        }
        int64_t count = std::min<int64_t>(kAnalysisFrames - j, frames - i);
        DeinterleaveFrames(data + static_cast<size_t>(i) * channels * bytes, count, channels,
                           layout->isFloat, m_channelMap, buffer, j);
        j += static_cast<int>(count);
        i += count;
        m_samplesSubmitted += j;
        vorbis_analysis_wrote(&m_dsp, j);
        HRESULT hr = DeliverPackets();
        // A refused delivery downstream ends the stream instead of being lost silently; a
        // packet too large for a buffer is dropped and the input still fed.
        if (FAILED(hr) && hr != VFW_E_BUFFER_OVERFLOW) return hr;
    }
    return S_OK;
}

HRESULT CVorbisEnc::Drain() {
    ClearUpperVectorState();
    if (m_encoderReady) {
        vorbis_analysis_wrote(&m_dsp, 0);
        (void)DeliverPackets();
    }
    return S_OK;
}

void RegisterVorbisEncoder(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = CLSID_VorbisEnc;
    entry.name = "QZ Vorbis Encoder";
    entry.merit = MERIT_DO_NOT_USE;
    entry.create = [] { return std::make_shared<CVorbisEnc>(); };
    entry.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    entry.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_VorbisPackets}};
    registry.Register(std::move(entry));
}

}  // namespace tarnel
