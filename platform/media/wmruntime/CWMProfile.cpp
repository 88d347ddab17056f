#include "platform/media/wmruntime/CWMProfile.h"

#include <algorithm>

namespace tarnel::media {

CWMProfile::CWMProfile(uint32_t version) : version_(version) {}

void* CWMProfile::QueryInterface(const GUID& iid) {
    if (iid == IUnknown::IID || iid == IWMProfile::IID) return static_cast<IWMProfile*>(this);
    if (iid == IWMProfile3::IID) return static_cast<IWMProfile3*>(this);
    return nullptr;
}

HRESULT CWMProfile::GetVersion(uint32_t* version) {
    if (!version) return E_POINTER;
    *version = version_;
    return S_OK;
}

HRESULT CWMProfile::GetName(std::string* name) {
    if (!name) return E_POINTER;
    *name = name_;
    return S_OK;
}

HRESULT CWMProfile::SetName(const std::string& name) {
    name_ = name;
    return S_OK;
}

HRESULT CWMProfile::GetDescription(std::string* description) {
    if (!description) return E_POINTER;
    *description = description_;
    return S_OK;
}

HRESULT CWMProfile::SetDescription(const std::string& description) {
    description_ = description;
    return S_OK;
}

HRESULT CWMProfile::GetStreamCount(uint32_t* count) {
    if (!count) return E_POINTER;
    *count = uint32_t(streams_.size());
    return S_OK;
}

HRESULT CWMProfile::GetStream(uint32_t index, std::shared_ptr<IWMStreamConfig>* config) {
    if (!config) return E_POINTER;
    if (index >= streams_.size()) return E_INVALIDARG;
    *config = streams_[index];
    return S_OK;
}

HRESULT CWMProfile::GetStreamByNumber(uint16_t number, std::shared_ptr<IWMStreamConfig>* config) {
    if (!config) return E_POINTER;
    for (const auto& stream : streams_) {
        uint16_t n = 0;
        if (SUCCEEDED(stream->GetStreamNumber(&n)) && n == number) {
            *config = stream;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT CWMProfile::RemoveStreamByNumber(uint16_t number) {
    auto it = std::find_if(streams_.begin(), streams_.end(), [number](const auto& stream) {
        uint16_t n = 0;
        return SUCCEEDED(stream->GetStreamNumber(&n)) && n == number;
    });
    if (it == streams_.end()) return E_INVALIDARG;
    streams_.erase(it);
    return S_OK;
}

HRESULT CWMProfile::AddStream(IWMStreamConfig* config) {
    if (!config) return E_POINTER;
    uint16_t number = 0;
    HRESULT hr = config->GetStreamNumber(&number);
    if (FAILED(hr)) return hr;
    if (number == 0) return E_INVALIDARG;
    std::shared_ptr<IWMStreamConfig> existing;
    if (SUCCEEDED(GetStreamByNumber(number, &existing))) return E_INVALIDARG;
    auto copy = CWMStreamConfig::CopyOf(config);
    if (!copy) return E_INVALIDARG;
    streams_.push_back(std::move(copy));
    return S_OK;
}

HRESULT CWMProfile::CreateNewStream(const GUID& streamType,
                                    std::shared_ptr<IWMStreamConfig>* config) {
    if (!config) return E_POINTER;
    if (streamType != WMMEDIATYPE_Audio && streamType != WMMEDIATYPE_Video) return E_INVALIDARG;
    *config = std::make_shared<CWMStreamConfig>(streamType);
    return S_OK;
}

HRESULT CWMProfile::GetExpectedPacketCount(uint64_t duration, uint32_t packetSize,
                                           uint64_t* packets) {
    if (!packets) return E_POINTER;
    if (packetSize == 0) return E_INVALIDARG;
    uint64_t bitrate = 0;
    for (const auto& stream : streams_) {
        uint32_t b = 0;
        if (SUCCEEDED(stream->GetBitrate(&b))) bitrate += b;
    }
    // bits over the duration, in bytes, rounded up to whole packets
    const long double bytes = (long double)bitrate * (long double)duration / 1e7L / 8.0L;
    *packets = uint64_t((bytes + packetSize - 1) / packetSize);
    return S_OK;
}

}  // namespace tarnel::media
