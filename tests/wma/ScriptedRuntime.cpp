#include "tests/wma/ScriptedRuntime.h"

#include "platform/media/wmruntime/CWMProfile.h"
#include "platform/media/wmruntime/CWMStreamConfig.h"

namespace tarnel::test {

std::vector<ScriptedFormat> MakeFormats(int count, uint32_t bitrateOffset) {
    std::vector<ScriptedFormat> formats;
    for (int i = 0; i < count; ++i) {
        formats.push_back({"fmt " + std::to_string(i), uint32_t(1000 * (i + 1)) + bitrateOffset});
    }
    return formats;
}

void* ScriptedRuntime::QueryInterface(const GUID& iid) {
    if (iid == IWMProfileManager::IID || iid == IUnknown::IID) {
        return static_cast<IWMProfileManager*>(this);
    }
    if (iid == IWMCodecInfo::IID) return static_cast<IWMCodecInfo*>(this);
    if (iid == IWMCodecInfo2::IID) return static_cast<IWMCodecInfo2*>(this);
    if (iid == IWMCodecInfo3::IID) return static_cast<IWMCodecInfo3*>(this);
    return nullptr;
}

HRESULT ScriptedRuntime::CreateEmptyProfile(uint32_t version,
                                            std::shared_ptr<IWMProfile>* profile) {
    ++createProfileCalls;
    if (FAILED(createProfileResult)) return createProfileResult;
    *profile = std::make_shared<media::CWMProfile>(version);
    return S_OK;
}

HRESULT ScriptedRuntime::GetCodecInfoCount(const GUID& mediaType, uint32_t* count) {
    ++countCalls;
    if (FAILED(codecCountResult)) return codecCountResult;
    *count = mediaType == WMMEDIATYPE_Audio ? uint32_t(codecs.size()) : 0;
    return S_OK;
}

const std::vector<ScriptedFormat>* ScriptedRuntime::Current(uint32_t codec) const {
    if (codec >= codecs.size()) return nullptr;
    const bool vbr = codec < vbrOn_.size() && vbrOn_[codec];
    return vbr ? &codecs[codec].vbr : &codecs[codec].cbr;
}

HRESULT ScriptedRuntime::GetCodecFormatCount(const GUID&, uint32_t codec, uint32_t* count) {
    const auto* formats = Current(codec);
    if (!formats) return E_INVALIDARG;
    *count = uint32_t(formats->size());
    return S_OK;
}

HRESULT ScriptedRuntime::GetCodecFormat(const GUID&, uint32_t codec, uint32_t format,
                                        std::shared_ptr<IWMStreamConfig>* config) {
    if (FAILED(getFormatResult)) return getFormatResult;
    const auto* formats = Current(codec);
    if (!formats || format >= formats->size()) return E_INVALIDARG;
    const ScriptedFormat& f = (*formats)[format];
    auto stream = std::make_shared<media::CWMStreamConfig>(WMMEDIATYPE_Audio);
    WAVEFORMATEX wfx;
    wfx.wFormatTag = f.formatTag;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 44100;
    wfx.nAvgBytesPerSec = f.bitrate / 8;
    wfx.nBlockAlign = 100;
    wfx.wBitsPerSample = 16;
    const CMediaType type = MakeAudioMediaType(wfx);
    stream->SetMediaType(&type);
    stream->SetBitrate(f.bitrate);
    *config = std::move(stream);
    return S_OK;
}

HRESULT ScriptedRuntime::GetCodecName(const GUID&, uint32_t codec, std::string* name) {
    if (codec >= codecs.size()) return E_INVALIDARG;
    if (codecs[codec].nameFails) return E_FAIL;
    *name = codecs[codec].name;
    return S_OK;
}

HRESULT ScriptedRuntime::GetCodecFormatDesc(const GUID&, uint32_t codec, uint32_t format,
                                            std::shared_ptr<IWMStreamConfig>* config,
                                            std::string* description) {
    const auto* formats = Current(codec);
    if (!formats || format >= formats->size()) return E_INVALIDARG;
    if (config) {
        HRESULT hr = GetCodecFormat(WMMEDIATYPE_Audio, codec, format, config);
        if (FAILED(hr)) return hr;
    }
    *description = (*formats)[format].description;
    return S_OK;
}

HRESULT ScriptedRuntime::SetCodecEnumerationSetting(const GUID&, uint32_t codec,
                                                    const std::string& name, WMT_ATTR_DATATYPE type,
                                                    std::span<const uint8_t> value) {
    if (codec >= codecs.size()) return E_INVALIDARG;
    uint32_t number = 0;
    if (!WmValueAsDword(value, &number)) return E_INVALIDARG;
    settingCalls.push_back({codec, name, number});
    if (vbrOn_.size() < codecs.size()) vbrOn_.resize(codecs.size());
    if (name == g_wszVBREnabled) {
        if (type != WMT_TYPE_BOOL) return E_INVALIDARG;
        if (number != 0 && !codecs[codec].hasVbr) return NS_E_UNSUPPORTED_PROPERTY;
        if (number == 0 && FAILED(codecs[codec].cbrSettingResult)) {
            return codecs[codec].cbrSettingResult;
        }
        vbrOn_[codec] = number != 0;
        return S_OK;
    }
    if (name == g_wszNumPasses) return type == WMT_TYPE_DWORD ? S_OK : E_INVALIDARG;
    return NS_E_UNSUPPORTED_PROPERTY;
}

HRESULT ScriptedRuntime::GetCodecEnumerationSetting(const GUID&, uint32_t, const std::string&,
                                                    WMT_ATTR_DATATYPE*, std::vector<uint8_t>*) {
    return E_NOTIMPL;
}

HRESULT ScriptedFactory::operator()(std::shared_ptr<IWMProfileManager>* manager) const {
    ++*managersMade;
    if (fail) return E_FAIL;
    *manager = std::shared_ptr<IWMProfileManager>(runtime, runtime.get());
    return S_OK;
}

}  // namespace tarnel::test
