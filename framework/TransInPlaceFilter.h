#pragma once
// CTransInPlaceFilter: a transform whose output type equals its input type and which changes
// samples where they are. The input pin hands out the downstream allocator when the output is
// connected, so upstream fills the downstream buffers and Transform(sample) works in place; a
// copy into an output buffer is made only when the allocators differ (or the upstream buffers
// are read-only and the filter modifies data).
//
// A subclass provides CheckInputType and Transform(sample); the other hooks have in-place
// defaults (CheckTransform S_OK, output type = input type, buffers like the input's).

#include "framework/TransformFilter.h"

namespace tarnel {

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(std::string name, CTransInPlaceFilter* filter, HRESULT* hr);

    // The downstream allocator when the output is connected, else our own.
    HRESULT GetAllocator(std::shared_ptr<IMemAllocator>* allocator) override;
    HRESULT NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                            bool readOnly) override;
    // CheckInputType, and the downstream pin's QueryAccept when the output is connected.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT EnumMediaTypes(std::vector<CMediaType>* types) override;  // the downstream's types

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(std::string name, CTransInPlaceFilter* filter, HRESULT* hr);

    // Offers the input's allocator to the downstream pin first.
    HRESULT DecideAllocator(IMemInputPin* pin, std::shared_ptr<IMemAllocator>* alloc) override;
    // The input's type when connected; the upstream's types otherwise.
    HRESULT EnumMediaTypes(std::vector<CMediaType>* types) override;
    HRESULT CheckMediaType(const CMediaType* type) override;

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceFilter : public CTransformFilter {
public:
    // modifiesData: Transform writes into the buffer (read-only upstream buffers get copied).
    CTransInPlaceFilter(std::string name, const GUID& clsid, bool modifiesData = true);

    using CTransformFilter::Transform;
    virtual HRESULT Transform(IMediaSample* sample) = 0;

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;               // E_UNEXPECTED
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;  // S_OK
    HRESULT GetMediaType(int position, CMediaType* type) override;  // the input type at 0
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;

    bool ModifiesData() const { return m_bModifiesData; }
    // True when the input and output pins use different allocators (samples must be copied).
    bool UsingDifferentAllocators() const;

protected:
    // Copies the sample into a new output buffer (data and properties); null on failure.
    IMediaSample* Copy(IMediaSample* source);

    const bool m_bModifiesData;
};

}  // namespace tarnel
