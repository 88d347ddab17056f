#include "platform/media/wmruntime/CWMStreamConfig.h"

namespace tarnel::media {

CWMStreamConfig::CWMStreamConfig(const GUID& streamType) : streamType_(streamType) {}

std::shared_ptr<CWMStreamConfig> CWMStreamConfig::CopyOf(IWMStreamConfig* source) {
    if (source == nullptr) return nullptr;
    GUID type;
    if (FAILED(source->GetStreamType(&type))) return nullptr;
    auto copy = std::make_shared<CWMStreamConfig>(type);
    (void)source->GetStreamNumber(&copy->streamNumber_);  // each keeps its default on failure
    (void)source->GetStreamName(&copy->streamName_);
    (void)source->GetConnectionName(&copy->connectionName_);
    (void)source->GetBitrate(&copy->bitrate_);
    (void)source->GetBufferWindow(&copy->bufferWindow_);
    if (auto* v3 = Query<IWMStreamConfig3>(source)) (void)v3->GetLanguage(&copy->language_);
    if (auto* props = Query<IWMMediaProps>(source)) (void)props->GetMediaType(&copy->mediaType_);
    if (auto* own = dynamic_cast<CWMStreamConfig*>(source)) {
        copy->properties_ = own->properties_;
    } else if (auto* vault = Query<IWMPropertyVault>(source)) {
        // Foreign vaults cannot be listed by name; the one property profiles use is copied.
        WMT_ATTR_DATATYPE t;
        std::vector<uint8_t> value;
        if (SUCCEEDED(vault->GetPropertyByName(g_wszVBREnabled, &t, &value))) {
            copy->properties_[g_wszVBREnabled] = {t, std::move(value)};
        }
    }
    return copy;
}

void* CWMStreamConfig::QueryInterface(const GUID& iid) {
    if (iid == IUnknown::IID || iid == IWMStreamConfig::IID) {
        return static_cast<IWMStreamConfig*>(this);
    }
    if (iid == IWMStreamConfig3::IID) return static_cast<IWMStreamConfig3*>(this);
    if (iid == IWMMediaProps::IID) return static_cast<IWMMediaProps*>(this);
    if (iid == IWMPropertyVault::IID) return static_cast<IWMPropertyVault*>(this);
    return nullptr;
}

HRESULT CWMStreamConfig::GetStreamType(GUID* type) {
    if (!type) return E_POINTER;
    *type = streamType_;
    return S_OK;
}

HRESULT CWMStreamConfig::GetStreamNumber(uint16_t* number) {
    if (!number) return E_POINTER;
    *number = streamNumber_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetStreamNumber(uint16_t number) {
    if (number < 1 || number > 63) return E_INVALIDARG;
    streamNumber_ = number;
    return S_OK;
}

HRESULT CWMStreamConfig::GetStreamName(std::string* name) {
    if (!name) return E_POINTER;
    *name = streamName_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetStreamName(const std::string& name) {
    streamName_ = name;
    return S_OK;
}

HRESULT CWMStreamConfig::GetConnectionName(std::string* name) {
    if (!name) return E_POINTER;
    *name = connectionName_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetConnectionName(const std::string& name) {
    connectionName_ = name;
    return S_OK;
}

HRESULT CWMStreamConfig::GetBitrate(uint32_t* bitrate) {
    if (!bitrate) return E_POINTER;
    *bitrate = bitrate_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetBitrate(uint32_t bitrate) {
    bitrate_ = bitrate;
    return S_OK;
}

HRESULT CWMStreamConfig::GetBufferWindow(uint32_t* milliseconds) {
    if (!milliseconds) return E_POINTER;
    *milliseconds = bufferWindow_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetBufferWindow(uint32_t milliseconds) {
    bufferWindow_ = milliseconds;
    return S_OK;
}

HRESULT CWMStreamConfig::GetLanguage(std::string* language) {
    if (!language) return E_POINTER;
    *language = language_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetLanguage(const std::string& language) {
    language_ = language;
    return S_OK;
}

HRESULT CWMStreamConfig::GetType(GUID* type) {
    return GetStreamType(type);
}

HRESULT CWMStreamConfig::GetMediaType(CMediaType* type) {
    if (!type) return E_POINTER;
    if (!mediaType_.IsValid()) return E_FAIL;
    *type = mediaType_;
    return S_OK;
}

HRESULT CWMStreamConfig::SetMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->majortype != streamType_) return E_INVALIDARG;
    mediaType_ = *type;
    return S_OK;
}

HRESULT CWMStreamConfig::GetPropertyCount(uint32_t* count) {
    if (!count) return E_POINTER;
    *count = uint32_t(properties_.size());
    return S_OK;
}

HRESULT CWMStreamConfig::GetPropertyByName(const std::string& name, WMT_ATTR_DATATYPE* type,
                                           std::vector<uint8_t>* value) {
    if (!type || !value) return E_POINTER;
    auto it = properties_.find(name);
    if (it == properties_.end()) return NS_E_UNSUPPORTED_PROPERTY;
    *type = it->second.first;
    *value = it->second.second;
    return S_OK;
}

HRESULT CWMStreamConfig::SetProperty(const std::string& name, WMT_ATTR_DATATYPE type,
                                     std::span<const uint8_t> value) {
    if (name.empty()) return E_INVALIDARG;
    if ((type == WMT_TYPE_BOOL || type == WMT_TYPE_DWORD) && value.size() != 4) {
        return E_INVALIDARG;
    }
    properties_[name] = {type, std::vector<uint8_t>(value.begin(), value.end())};
    return S_OK;
}

HRESULT CWMStreamConfig::Clear() {
    properties_.clear();
    return S_OK;
}

}  // namespace tarnel::media
