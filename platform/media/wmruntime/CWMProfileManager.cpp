#include "platform/media/wmruntime/CWMProfileManager.h"

#include "platform/media/wmruntime/CWMProfile.h"

namespace tarnel {

HRESULT WMCreateProfileManager(std::shared_ptr<IWMProfileManager>* manager) {
    if (!manager) return E_POINTER;
    *manager = std::make_shared<media::CWMProfileManager>();
    return S_OK;
}

namespace media {

CWMProfileManager::CWMProfileManager() : CWMProfileManager(InstalledWmaCodecList()) {
    installed_ = true;
}

CWMProfileManager::CWMProfileManager(const std::vector<WmaCodec>& codecs)
    : codecs_(codecs), settings_(codecs.size()) {}

void* CWMProfileManager::QueryInterface(const GUID& iid) {
    if (iid == IUnknown::IID || iid == IWMProfileManager::IID) {
        return static_cast<IWMProfileManager*>(this);
    }
    if (iid == IWMCodecInfo::IID) return static_cast<IWMCodecInfo*>(this);
    if (iid == IWMCodecInfo2::IID) return static_cast<IWMCodecInfo2*>(this);
    if (iid == IWMCodecInfo3::IID) return static_cast<IWMCodecInfo3*>(this);
    return nullptr;
}

HRESULT CWMProfileManager::CreateEmptyProfile(uint32_t version,
                                              std::shared_ptr<IWMProfile>* profile) {
    if (!profile) return E_POINTER;
    if (version != WMT_VER_4_0 && version != WMT_VER_7_0 && version != WMT_VER_8_0 &&
        version != WMT_VER_9_0) {
        return E_INVALIDARG;
    }
    *profile = std::make_shared<CWMProfile>(version);
    return S_OK;
}

const WmaCodec* CWMProfileManager::CodecAt(const GUID& mediaType, uint32_t codecIndex) const {
    if (mediaType != WMMEDIATYPE_Audio || codecIndex >= codecs_.size()) return nullptr;
    return &codecs_[codecIndex];
}

const std::vector<WmaCodecFormat>* CWMProfileManager::FormatsOf(uint32_t codecIndex) const {
    static const std::vector<WmaCodecFormat> none;
    if (settings_[codecIndex].vbr) return &none;
    return installed_ ? &InstalledWmaFormats(codecIndex) : &codecs_[codecIndex].formats;
}

HRESULT CWMProfileManager::GetCodecInfoCount(const GUID& mediaType, uint32_t* codecs) {
    if (!codecs) return E_POINTER;
    *codecs = mediaType == WMMEDIATYPE_Audio ? uint32_t(codecs_.size()) : 0;
    return S_OK;
}

HRESULT CWMProfileManager::GetCodecFormatCount(const GUID& mediaType, uint32_t codecIndex,
                                               uint32_t* formats) {
    if (!formats) return E_POINTER;
    if (!CodecAt(mediaType, codecIndex)) return E_INVALIDARG;
    *formats = uint32_t(FormatsOf(codecIndex)->size());
    return S_OK;
}

HRESULT CWMProfileManager::GetCodecFormat(const GUID& mediaType, uint32_t codecIndex,
                                          uint32_t formatIndex,
                                          std::shared_ptr<IWMStreamConfig>* config) {
    if (!config) return E_POINTER;
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec) return E_INVALIDARG;
    const auto& formats = *FormatsOf(codecIndex);
    if (formatIndex >= formats.size()) return E_INVALIDARG;
    const WmaCodecFormat& format = formats[formatIndex];
    auto stream = std::make_shared<CWMStreamConfig>(WMMEDIATYPE_Audio);
    const CMediaType type = format.MediaType(codec->formatTag);
    HRESULT hr = stream->SetMediaType(&type);
    if (FAILED(hr)) return hr;
    (void)stream->SetBitrate(format.bitrate);
    (void)stream->SetBufferWindow(3000);  // what the runtime suggests for audio
    const auto vbr = WmDword(0);
    (void)stream->SetProperty(g_wszVBREnabled, WMT_TYPE_BOOL, vbr);
    *config = std::move(stream);
    return S_OK;
}

HRESULT CWMProfileManager::GetCodecName(const GUID& mediaType, uint32_t codecIndex,
                                        std::string* name) {
    if (!name) return E_POINTER;
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec) return E_INVALIDARG;
    *name = codec->name;
    return S_OK;
}

HRESULT CWMProfileManager::GetCodecFormatDesc(const GUID& mediaType, uint32_t codecIndex,
                                              uint32_t formatIndex,
                                              std::shared_ptr<IWMStreamConfig>* config,
                                              std::string* description) {
    if (!description) return E_POINTER;
    if (!CodecAt(mediaType, codecIndex)) return E_INVALIDARG;
    const auto& formats = *FormatsOf(codecIndex);
    if (formatIndex >= formats.size()) return E_INVALIDARG;
    if (config) {
        HRESULT hr = GetCodecFormat(mediaType, codecIndex, formatIndex, config);
        if (FAILED(hr)) return hr;
    }
    *description = formats[formatIndex].description;
    return S_OK;
}

HRESULT CWMProfileManager::SetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                                      const std::string& name,
                                                      WMT_ATTR_DATATYPE type,
                                                      std::span<const uint8_t> value) {
    if (!CodecAt(mediaType, codecIndex)) return E_INVALIDARG;
    uint32_t number = 0;
    if (name == g_wszVBREnabled) {
        if (type != WMT_TYPE_BOOL || !WmValueAsDword(value, &number)) return E_INVALIDARG;
        // FFmpeg's WMA encoders only know constant bitrate.
        if (number != 0) return NS_E_UNSUPPORTED_PROPERTY;
        settings_[codecIndex].vbr = false;
        return S_OK;
    }
    if (name == g_wszNumPasses) {
        if (type != WMT_TYPE_DWORD || !WmValueAsDword(value, &number)) return E_INVALIDARG;
        if (number > 1) return NS_E_UNSUPPORTED_PROPERTY;  // one pass only
        settings_[codecIndex].passes = 1;
        return S_OK;
    }
    return NS_E_UNSUPPORTED_PROPERTY;
}

HRESULT CWMProfileManager::GetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                                      const std::string& name,
                                                      WMT_ATTR_DATATYPE* type,
                                                      std::vector<uint8_t>* value) {
    if (!type || !value) return E_POINTER;
    if (!CodecAt(mediaType, codecIndex)) return E_INVALIDARG;
    if (name == g_wszVBREnabled) {
        *type = WMT_TYPE_BOOL;
        *value = WmDword(settings_[codecIndex].vbr ? 1 : 0);
        return S_OK;
    }
    if (name == g_wszNumPasses) {
        *type = WMT_TYPE_DWORD;
        *value = WmDword(settings_[codecIndex].passes);
        return S_OK;
    }
    return NS_E_UNSUPPORTED_PROPERTY;
}

}  // namespace media
}  // namespace tarnel
