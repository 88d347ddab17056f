#include "filters/samplesizeconverter/SampleSizeConverter.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "filters/samplesizeconverter/PcmWidening.h"
#include "framework/BufferRequest.h"

namespace tarnel {

namespace {

// Offsets of the WAVEFORMATEX fields patched in a proposal.
constexpr size_t kAvgBytesPerSecOffset = 8;
constexpr size_t kBlockAlignOffset = 12;
constexpr size_t kBitsPerSampleOffset = 14;

}  // namespace

SampleSizeConverter::SampleSizeConverter() : CTransformFilter("Sample Size Converter", CLSID) {}

HRESULT SampleSizeConverter::CheckPcmAudio(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const auto wfx = type.WaveFormatEx();
    if (!wfx || wfx->wFormatTag != WAVE_FORMAT_PCM) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

std::optional<CMediaType> SampleSizeConverter::ProposeOutput(const CMediaType& input,
                                                             uint16_t targetBits) {
    if (input.majortype != MEDIATYPE_Audio) return std::nullopt;
    const auto wfx = input.WaveFormatEx();
    if (!wfx) return std::nullopt;
    CMediaType proposal = input;
    if (wfx->wBitsPerSample != 8 || targetBits != 16) return proposal;

    const uint32_t blockAlign = uint32_t{wfx->nBlockAlign} * 2;
    const uint64_t avgBytesPerSec = uint64_t{wfx->nAvgBytesPerSec} * 2;
    if (blockAlign > std::numeric_limits<uint16_t>::max() ||
        avgBytesPerSec > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    // Patch the fields in place so any extra bytes of the block stay as they were.
    uint8_t* block = proposal.format.data();
    WriteLe32(block + kAvgBytesPerSecOffset, static_cast<uint32_t>(avgBytesPerSec));
    WriteLe16(block + kBlockAlignOffset, static_cast<uint16_t>(blockAlign));
    WriteLe16(block + kBitsPerSampleOffset, targetBits);
    if (proposal.bFixedSizeSamples) proposal.lSampleSize = blockAlign;
    return proposal;
}

bool SampleSizeConverter::Widens(const CMediaType& in, const CMediaType& out) {
    const auto inFormat = in.WaveFormatEx();
    const auto outFormat = out.WaveFormatEx();
    return inFormat && outFormat && inFormat->wBitsPerSample == 8 &&
           outFormat->wBitsPerSample == 16;
}

HRESULT SampleSizeConverter::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    return CheckPcmAudio(*in);
}

HRESULT SampleSizeConverter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    // What leaves is plain PCM as well; anything else would mislabel the copied bytes.
    if (CheckPcmAudio(*out) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    const auto inFormat = in->WaveFormatEx();
    const auto outFormat = out->WaveFormatEx();
    if (inFormat->nSamplesPerSec != outFormat->nSamplesPerSec ||
        inFormat->nChannels != outFormat->nChannels) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    // Samples are either widened from 8 to 16 bits or copied as they are, so the only size
    // change that can be honoured is 8 -> 16 (which also refuses 16 -> 8).
    const bool sameSize = inFormat->wBitsPerSample == outFormat->wBitsPerSample &&
                          inFormat->nBlockAlign == outFormat->nBlockAlign;
    if (sameSize) return S_OK;
    if (inFormat->wBitsPerSample == 8 && outFormat->wBitsPerSample == targetBits_ &&
        outFormat->nBlockAlign == inFormat->nBlockAlign * 2) {
        return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SampleSizeConverter::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto proposal = ProposeOutput(m_pInput->CurrentMediaType(), targetBits_);
    if (!proposal) return VFW_E_TYPE_NOT_ACCEPTED;
    *type = std::move(*proposal);
    return S_OK;
}

HRESULT SampleSizeConverter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    HRESULT hr = CTransformFilter::SetMediaType(direction, type);
    if (FAILED(hr)) return hr;
    UpdateWidening();
    return S_OK;
}

void SampleSizeConverter::UpdateWidening() {
    // Called with the new type already stored on its pin. A reconnection of the input while
    // the output stays connected re-decides from the pair now in place.
    if (!m_pInput->IsConnected() || !m_pOutput->IsConnected()) return;
    widening_ =
        targetBits_ == 16 && Widens(m_pInput->CurrentMediaType(), m_pOutput->CurrentMediaType());
}

HRESULT SampleSizeConverter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    const auto outFormat = m_pOutput->CurrentMediaType().WaveFormatEx();
    if (!outFormat) return E_UNEXPECTED;

    // One buffer holding one second of output audio, or more when upstream's buffers are
    // larger than that once converted (more than half a second of 8-bit audio per sample, as
    // with very low sample rates), so that every sample upstream can deliver fits.
    int64_t size = outFormat->nAvgBytesPerSec;
    if (const auto inputAllocator = m_pInput->Allocator()) {
        ALLOCATOR_PROPERTIES inputProps;
        if (SUCCEEDED(inputAllocator->GetProperties(&inputProps))) {
            const int64_t factor =
                Widens(m_pInput->CurrentMediaType(), m_pOutput->CurrentMediaType()) ? 2 : 1;
            size = std::max(size, int64_t{inputProps.cbBuffer} * factor);
        }
    }
    return RequestBuffers(alloc, props,
                          {.bytes = static_cast<int32_t>(
                               std::clamp<int64_t>(size, 1, std::numeric_limits<int32_t>::max())),
                           .exact = true,
                           .needAsked = true});
}

HRESULT SampleSizeConverter::Transform(IMediaSample* in, IMediaSample* out) {
    if (!in || !out) return E_POINTER;
    uint8_t* source = nullptr;
    uint8_t* destination = nullptr;
    HRESULT hr = in->GetPointer(&source);
    if (FAILED(hr)) return hr;
    hr = out->GetPointer(&destination);
    if (FAILED(hr)) return hr;

    const int32_t length = in->GetActualDataLength();
    if (length < 0) return E_UNEXPECTED;
    const int64_t outLength = widening_ ? int64_t{length} * 2 : length;
    // An input larger than the output buffer cannot be converted without losing audio: stop
    // the stream with a clear error instead of writing past the buffer.
    if (outLength > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;

    if (widening_) {
        WidenPcm8To16(source, static_cast<size_t>(length), destination);
    } else if (length > 0) {
        std::memcpy(destination, source, static_cast<size_t>(length));
    }

    // The other properties came with the buffer (InitializeOutputSample). A format change
    // announced upstream goes on in the form this filter delivers it.
    CMediaType changed;
    if (in->GetMediaType(&changed) == S_OK) {
        if (widening_) {
            auto widened = ProposeOutput(changed, targetBits_);
            if (!widened) return VFW_E_INVALIDMEDIATYPE;
            changed = std::move(*widened);
        }
        out->SetMediaType(&changed);
    }
    return out->SetActualDataLength(static_cast<int32_t>(outLength));
}

}  // namespace tarnel
