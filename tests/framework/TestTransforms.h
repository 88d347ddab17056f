#pragma once
// Transform filters that the framework's tests exercise: a copying transform with switches for
// the hard cases (dropping, failing, refusing buffers), an in-place time stamper and a subtype
// converter for intelligent connection.

#include <atomic>
#include <vector>

#include "framework/TransInPlaceFilter.h"
#include "framework/TransformFilter.h"
#include "tests/support/filters/PinHelpers.h"

namespace tarnel::test::transforms {

using harness::PcmType;

inline constexpr GUID CLSID_TestSink = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 2});
inline constexpr GUID CLSID_TestCopy = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 3});
inline constexpr GUID CLSID_TestStamp = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 4});
inline constexpr GUID CLSID_TestConverter = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 5});

// Two subtypes of our own for negotiation tests ("X" in, "Y" out of the converter).
inline constexpr GUID SUBTYPE_X = MakeGuid(0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x0A});
inline constexpr GUID SUBTYPE_Y = MakeGuid(0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x0B});

// Copies input to output, optionally XORing bytes; can drop or fail chosen samples.
class TestCopy : public CTransformFilter {
public:
    TestCopy() : CTransformFilter("Test Copy", CLSID_TestCopy) {}

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        int n = seen++;
        if (n == failAt) return failWith;
        for (int d : dropAt) {
            if (d == n) return S_FALSE;
        }
        uint8_t *src = nullptr, *dst = nullptr;
        in->GetPointer(&src);
        out->GetPointer(&dst);
        int32_t len = in->GetActualDataLength();
        if (len > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
        for (int32_t i = 0; i < len; ++i) dst[i] = src[i] ^ xorWith;
        out->SetActualDataLength(len);
        return S_OK;
    }
    HRESULT CheckInputType(const CMediaType* in) override {
        ++checkInputCalls;
        if (!acceptIn.IsValid()) return in->majortype == MEDIATYPE_Audio ? S_OK : S_FALSE;
        return in->MatchesPartial(acceptIn) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
        return out->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        if (failBufferSize) return E_FAIL;
        ALLOCATOR_PROPERTIES want, got;
        want.cBuffers = outBuffers;
        want.cbBuffer = 4096;
        want.cbAlign = 1;
        return alloc->SetProperties(&want, &got);
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position >= static_cast<int>(outTypes.size()) + 1) return VFW_S_NO_MORE_ITEMS;
        *type = position == 0 ? m_pInput->CurrentMediaType()
                              : outTypes[static_cast<size_t>(position - 1)];
        return S_OK;
    }
    HRESULT StartStreaming() override {
        ++starts;
        seen = 0;
        return S_OK;
    }
    HRESULT StopStreaming() override {
        ++stops;
        return S_OK;
    }
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override {
        (direction == PINDIR_INPUT ? inputType : outputType) = *type;
        return S_OK;
    }

    CMediaType acceptIn;  // partial type the input takes; invalid = any audio
    std::vector<CMediaType> outTypes;
    int failAt = -1;
    HRESULT failWith = E_FAIL;
    std::vector<int> dropAt;
    uint8_t xorWith = 0;
    bool failBufferSize = false;
    int outBuffers = 2;
    std::atomic<int> seen{0};
    int starts = 0, stops = 0, checkInputCalls = 0;
    CMediaType inputType, outputType;
};

// In place: stamps samples with times from 0 by byte count (a small time-line corrector) and
// increments every byte.
class TestStamp : public CTransInPlaceFilter {
public:
    TestStamp() : CTransInPlaceFilter("Test Stamp", CLSID_TestStamp, true) {}
    HRESULT CheckInputType(const CMediaType* in) override {
        return in->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT StartStreaming() override {
        next = 0;
        return S_OK;
    }
    HRESULT Transform(IMediaSample* sample) override {
        uint8_t* p = nullptr;
        sample->GetPointer(&p);
        int32_t n = sample->GetActualDataLength();
        for (int32_t i = 0; i < n; ++i) ++p[i];
        REFERENCE_TIME start = next, end = next + n * 10;
        sample->SetTime(&start, &end);
        next = end;
        return S_OK;
    }
    REFERENCE_TIME next = 0;
};

// Converts subtype X into subtype Y (for intelligent connection tests).
class TestConverter : public TestCopy {
public:
    TestConverter() {
        acceptIn = CMediaType(MEDIATYPE_Audio, SUBTYPE_X);
        CMediaType y = PcmType();
        y.subtype = SUBTYPE_Y;
        outTypes = {y};
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = outTypes[0];
        return S_OK;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
        return out->subtype == SUBTYPE_Y ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
};

}  // namespace tarnel::test::transforms
