#include "wma/ProfileEnumerator.h"

namespace tarnel {

HRESULT ObtainCodecInfo(const ProfileManagerFactory& createManager,
                        std::shared_ptr<IWMCodecInfo3>* info) {
    if (!info) return E_POINTER;
    if (!createManager) return E_FAIL;
    std::shared_ptr<IWMProfileManager> manager;
    HRESULT hr = createManager(&manager);
    if (FAILED(hr)) return hr;
    if (!manager) return E_FAIL;
    auto* codecInfo = Query<IWMCodecInfo3>(manager.get());
    if (!codecInfo) return E_NOINTERFACE;
    // The interface lives as long as the manager object; share its ownership.
    *info = std::shared_ptr<IWMCodecInfo3>(manager, codecInfo);
    return S_OK;
}

HRESULT ApplyCodecEnumerationSettings(IWMCodecInfo3* info, uint32_t codecIndex, bool vbr,
                                      uint32_t passes) {
    const auto flag = WmDword(vbr ? 1 : 0);
    HRESULT hr = info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, codecIndex, g_wszVBREnabled,
                                                  WMT_TYPE_BOOL, flag);
    if (FAILED(hr) && !(hr == NS_E_UNSUPPORTED_PROPERTY && !vbr)) return hr;
    if (!vbr) return S_OK;
    const auto passValue = WmDword(passes);
    return info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, codecIndex, g_wszNumPasses,
                                            WMT_TYPE_DWORD, passValue);
}

ProfileEnumerator::ProfileEnumerator(ProfileManagerFactory createManager)
    : createManager_(std::move(createManager)) {}

ProfileEnumerator::~ProfileEnumerator() = default;

void ProfileEnumerator::GetCodecNames(std::vector<std::string>& names) {
    EnumerateNames();  // the formats are not needed for the names
    names = codecNames_;
}

void ProfileEnumerator::GetFormats(WmaFormatMap& formats) {
    if (formats_.empty()) Enumerate();
    formats = formats_;
}

void ProfileEnumerator::EnumerateNames() {
    if (namesListed_) return;
    if (!codecInfo_ && FAILED(ObtainCodecInfo(createManager_, &codecInfo_))) return;
    uint32_t count = 0;
    if (FAILED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Audio, &count))) return;
    namesListed_ = true;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (FAILED(codecInfo_->GetCodecName(WMMEDIATYPE_Audio, i, &name))) name.clear();
        codecNames_.push_back(std::move(name));
    }
}

void ProfileEnumerator::Enumerate() {
    if (enumerated_) return;
    EnumerateNames();
    if (!namesListed_) return;
    enumerated_ = true;
    for (uint32_t i = 0; i < codecNames_.size(); ++i) {
        currentCodecName_ = codecNames_[i];
        EnumerateVariant(i, false);
        EnumerateVariant(i, true);
    }
}

void ProfileEnumerator::EnumerateVariant(uint32_t codecIndex, bool vbr) {
    uint32_t formats = 0;
    if (SUCCEEDED(ApplyCodecEnumerationSettings(codecInfo_.get(), codecIndex, vbr, vbr ? 1 : 0)) &&
        FAILED(codecInfo_->GetCodecFormatCount(WMMEDIATYPE_Audio, codecIndex, &formats))) {
        formats = 0;
    }
    for (uint32_t j = 0; j < formats; ++j) {
        std::string description;
        // The configuration that comes with a description is not needed here.
        if (FAILED(codecInfo_->GetCodecFormatDesc(WMMEDIATYPE_Audio, codecIndex, j, nullptr,
                                                  &description))) {
            continue;
        }
        if (description.empty() || description.find("(A/V)") != std::string::npos) continue;
        formats_.emplace(currentCodecName_,
                         WmaFormatEntry{std::move(description), int32_t(j), uint8_t(vbr)});
    }
}

}  // namespace tarnel
