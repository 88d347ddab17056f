#include "tests/engine/ScriptedSource.h"

#include <cstring>
#include <fstream>
#include <memory>

#include "framework/BaseFilter.h"
#include "framework/BaseOutputPin.h"
#include "framework/Guids.h"
#include "framework/MediaTimeSeeking.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

constexpr GUID kScriptedSourceClsid =
    MakeGuid(0x0BADC0DE, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66});
constexpr char kMagic[] = "SCRIPTED";
constexpr size_t kMagicSize = sizeof kMagic - 1;

class ScriptedPin : public CBaseOutputPin, public CMediaTimeSeeking {
public:
    ScriptedPin(CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
        : CBaseOutputPin("Output", filter, lock, hr),
          CMediaTimeSeeking(AM_SEEKING_CanGetDuration) {}

    void Configure(uint32_t tag, int64_t duration) {
        type_ = CMediaType(MEDIATYPE_Audio, FourccSubtype(tag), FORMAT_WaveFormatEx);
        WAVEFORMATEX wfx{};
        wfx.wFormatTag = static_cast<uint16_t>(tag);
        wfx.nChannels = 2;
        wfx.nSamplesPerSec = 44100;
        wfx.nAvgBytesPerSec = 16000;
        wfx.nBlockAlign = 1;
        type_.SetWaveFormat(wfx);
        duration_ = duration;
    }

    void* QueryInterface(const GUID& iid) override {
        if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
        return CBaseOutputPin::QueryInterface(iid);
    }

    HRESULT CheckMediaType(const CMediaType* type) override {
        return type && *type == type_ ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = type_;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES request{1, 4096, 1, 0};
        ALLOCATOR_PROPERTIES actual;
        return alloc->SetProperties(&request, &actual);
    }

    // IMediaSeeking in media time: only the duration matters here.
    HRESULT GetDuration(int64_t* d) override {
        *d = duration_;
        return S_OK;
    }
    HRESULT GetStopPosition(int64_t* s) override { return GetDuration(s); }
    HRESULT GetCurrentPosition(int64_t* c) override {
        *c = 0;
        return S_OK;
    }
    HRESULT SetPositions(int64_t*, uint32_t, int64_t*, uint32_t) override { return E_NOTIMPL; }

private:
    CMediaType type_;
    int64_t duration_ = 0;
};

class ScriptedSource : public CBaseFilter, public IFileSourceFilter {
public:
    ScriptedSource() : CBaseFilter("Scripted Source", &lock_, kScriptedSourceClsid) {
        HRESULT hr = S_OK;
        pin_ = std::make_unique<ScriptedPin>(this, &lock_, &hr);
    }
    void* QueryInterface(const GUID& iid) override {
        if (iid == IFileSourceFilter::IID) return static_cast<IFileSourceFilter*>(this);
        return CBaseFilter::QueryInterface(iid);
    }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }

    HRESULT Load(const std::filesystem::path& file, const CMediaType*) override {
        const auto bytes = ReadFileBytes(file);
        if (bytes.size() < kMagicSize + 12) return VFW_E_INVALID_FILE_FORMAT;
        uint32_t tag = 0;
        int64_t duration = 0;
        std::memcpy(&tag, &bytes[kMagicSize], 4);
        std::memcpy(&duration, &bytes[kMagicSize + 4], 8);
        pin_->Configure(tag, duration);
        file_ = file;
        return S_OK;
    }
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType*) override {
        *file = file_;
        return S_OK;
    }

private:
    CCritSec lock_;
    std::unique_ptr<ScriptedPin> pin_;
    std::filesystem::path file_;
};

}  // namespace

void RegisterScriptedSource(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = kScriptedSourceClsid;
    entry.name = "Scripted Source";
    entry.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<ScriptedSource>()); };
    registry.Register(std::move(entry));
    SourceRule rule;
    rule.name = "scripted";
    rule.sourceClsid = kScriptedSourceClsid;
    rule.matches = [](std::span<const uint8_t> head) {
        return head.size() >= kMagicSize && std::memcmp(head.data(), kMagic, kMagicSize) == 0;
    };
    registry.AddSourceRule(std::move(rule));
}

void WriteScriptedSourceFile(const std::filesystem::path& path, uint32_t formatTag,
                             int64_t durationUnits) {
    std::vector<uint8_t> bytes(kMagic, kMagic + kMagicSize);
    bytes.resize(kMagicSize + 12);
    std::memcpy(&bytes[kMagicSize], &formatTag, 4);
    std::memcpy(&bytes[kMagicSize + 4], &durationUnits, 8);
    WriteFileBytes(path, bytes);
}

}  // namespace tarnel::test
