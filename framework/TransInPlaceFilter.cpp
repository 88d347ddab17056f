#include "framework/TransInPlaceFilter.h"

#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"

namespace tarnel {

// ---- input pin ----

CTransInPlaceInputPin::CTransInPlaceInputPin(std::string name, CTransInPlaceFilter* filter,
                                             HRESULT* hr)
    : CTransformInputPin(std::move(name), filter, hr), m_pTIPFilter(filter) {}

HRESULT CTransInPlaceInputPin::GetAllocator(std::shared_ptr<IMemAllocator>* allocator) {
    if (!allocator) return E_POINTER;
    CAutoLock lock(m_pLock);
    CTransformOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected() && output->ConnectedInputPin()) {
        // Upstream writes straight into the downstream buffers.
        return output->ConnectedInputPin()->GetAllocator(allocator);
    }
    return CTransformInputPin::GetAllocator(allocator);
}

HRESULT CTransInPlaceInputPin::NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                                               bool readOnly) {
    return CTransformInputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    CTransformOutputPin* output = m_pTIPFilter->OutputPin();
    if (output->IsConnected()) {
        return output->GetConnected()->QueryAccept(type) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CTransInPlaceInputPin::EnumMediaTypes(std::vector<CMediaType>* types) {
    if (!types) return E_POINTER;
    types->clear();
    CTransformOutputPin* output = m_pTIPFilter->OutputPin();
    if (!output->IsConnected()) return S_OK;
    return output->GetConnected()->EnumMediaTypes(types);
}

// ---- output pin ----

CTransInPlaceOutputPin::CTransInPlaceOutputPin(std::string name, CTransInPlaceFilter* filter,
                                               HRESULT* hr)
    : CTransformOutputPin(std::move(name), filter, hr), m_pTIPFilter(filter) {}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pin,
                                                std::shared_ptr<IMemAllocator>* alloc) {
    if (!pin || !alloc) return E_POINTER;
    std::shared_ptr<IMemAllocator> inputAllocator = m_pTIPFilter->InputPin()->Allocator();
    if (inputAllocator) {
        HRESULT hr = pin->NotifyAllocator(inputAllocator, m_pTIPFilter->InputPin()->IsReadOnly());
        if (SUCCEEDED(hr)) {
            *alloc = inputAllocator;
            return S_OK;
        }
    }
    return CTransformOutputPin::DecideAllocator(pin, alloc);
}

HRESULT CTransInPlaceOutputPin::EnumMediaTypes(std::vector<CMediaType>* types) {
    if (!types) return E_POINTER;
    types->clear();
    CTransformInputPin* input = m_pTIPFilter->InputPin();
    if (!input->IsConnected()) return S_OK;
    // The type flowing in now first, then what upstream could also give.
    types->push_back(input->CurrentMediaType());
    std::vector<CMediaType> upstream;
    if (SUCCEEDED(input->GetConnected()->EnumMediaTypes(&upstream))) {
        for (auto& t : upstream) {
            if (!(t == types->front())) types->push_back(std::move(t));
        }
    }
    return S_OK;
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    CTransformInputPin* input = m_pTIPFilter->InputPin();
    if (!input->IsConnected()) return E_UNEXPECTED;
    // Same type in and out: what leaves must be a type the filter takes in.
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    return m_pTIPFilter->CheckTransform(&input->CurrentMediaType(), type);
}

// ---- filter ----

CTransInPlaceFilter::CTransInPlaceFilter(std::string name, const GUID& clsid, bool modifiesData)
    : CTransformFilter(std::move(name), clsid), m_bModifiesData(modifiesData) {
    HRESULT hr = S_OK;
    SetInputPin(std::make_unique<CTransInPlaceInputPin>("Input", this, &hr));
    SetOutputPin(std::make_unique<CTransInPlaceOutputPin>("Output", this, &hr));
}

HRESULT CTransInPlaceFilter::Transform(IMediaSample* in, IMediaSample* out) {
    return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    return S_OK;
}

HRESULT CTransInPlaceFilter::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = m_pInput->CurrentMediaType();
    return S_OK;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    // As many and as large buffers as upstream uses, so that every sample can be copied.
    BufferRequest request{.needAsked = true};
    if (auto inputAllocator = m_pInput->Allocator()) {
        ALLOCATOR_PROPERTIES inputProps;
        if (SUCCEEDED(inputAllocator->GetProperties(&inputProps))) {
            request.buffers = std::max(inputProps.cBuffers, 1);
            request.bytes = std::max(inputProps.cbBuffer, 1);
        }
    }
    return RequestBuffers(alloc, props, request);
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) {
    return CTransformFilter::CompleteConnect(direction, receivePin);
}

bool CTransInPlaceFilter::UsingDifferentAllocators() const {
    return m_pInput->Allocator().get() != m_pOutput->Allocator().get();
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* source) {
    MediaSamplePtr out;
    if (FAILED(m_pOutput->GetDeliveryBuffer(out.Receive(), nullptr, nullptr, 0))) return nullptr;
    if (FAILED(CopySample(source, out.get()))) return nullptr;
    return out.Detach();
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);

    MediaSamplePtr work = MediaSamplePtr::Share(sample);
    if (UsingDifferentAllocators() || (m_bModifiesData && m_pInput->IsReadOnly())) {
        work.Reset(Copy(sample));
        if (!work) {
            // No output buffer: decommitted by a stop, or too small for the data.
            if (IsStopped() || m_pInput->IsFlushing()) return VFW_E_WRONG_STATE;
            AbortStream(VFW_E_BUFFER_OVERFLOW);
            return VFW_E_BUFFER_OVERFLOW;
        }
    }
    HRESULT hr = Transform(work.get());
    if (FAILED(hr)) {
        AbortStream(hr);
        return hr;
    }
    if (hr == S_OK) {
        hr = m_pOutput->Deliver(work.get());
        m_bSampleSkipped = false;
        m_bQualityChanged = false;
        return hr;
    }
    m_bSampleSkipped = true;
    if (!m_bQualityChanged) {
        NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
        m_bQualityChanged = true;
    }
    return S_OK;
}

}  // namespace tarnel
