#pragma once
// The Windows Media Format runtime stand-in: WMCreateProfileManager gives a profile manager that
// makes empty profiles and answers IWMCodecInfo3 over the installed WMA codecs
// (WindowsMediaCodecCatalog.h).
//
// Codec information: one audio codec per WMA encoder of the FFmpeg build; its formats are the
// constant-bitrate ones. FFmpeg's WMA encoders have no variable-bitrate mode, so
// "_VBRENABLED" = 1 is refused with NS_E_UNSUPPORTED_PROPERTY, as the runtime refuses it for a
// codec without VBR, and "_PASSESUSED" accepts one pass only. Enumeration settings stay with the
// codec for the manager's later calls. No video codecs are listed.
//
// Threading: a manager and what it makes belong to the thread that created them.
#include <memory>
#include <vector>

#include "platform/media/wmruntime/WindowsMediaCodecCatalog.h"
#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel {

HRESULT WMCreateProfileManager(std::shared_ptr<IWMProfileManager>* manager);

namespace media {

class CWMProfileManager final : public IWMProfileManager, public IWMCodecInfo3 {
public:
    // Over the installed codecs, or over the given list (tests).
    CWMProfileManager();
    explicit CWMProfileManager(const std::vector<WmaCodec>& codecs);

    void* QueryInterface(const GUID& iid) override;

    // IWMProfileManager: versions 4.0 to 9.0.
    HRESULT CreateEmptyProfile(uint32_t version, std::shared_ptr<IWMProfile>* profile) override;

    // IWMCodecInfo / 2 / 3. A codec index past the list gives E_INVALIDARG, a media type other
    // than audio lists nothing (count 0, E_INVALIDARG for an index).
    HRESULT GetCodecInfoCount(const GUID& mediaType, uint32_t* codecs) override;
    HRESULT GetCodecFormatCount(const GUID& mediaType, uint32_t codecIndex,
                                uint32_t* formats) override;
    HRESULT GetCodecFormat(const GUID& mediaType, uint32_t codecIndex, uint32_t formatIndex,
                           std::shared_ptr<IWMStreamConfig>* config) override;
    HRESULT GetCodecName(const GUID& mediaType, uint32_t codecIndex, std::string* name) override;
    HRESULT GetCodecFormatDesc(const GUID& mediaType, uint32_t codecIndex, uint32_t formatIndex,
                               std::shared_ptr<IWMStreamConfig>* config,
                               std::string* description) override;
    HRESULT SetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                       const std::string& name, WMT_ATTR_DATATYPE type,
                                       std::span<const uint8_t> value) override;
    HRESULT GetCodecEnumerationSetting(const GUID& mediaType, uint32_t codecIndex,
                                       const std::string& name, WMT_ATTR_DATATYPE* type,
                                       std::vector<uint8_t>* value) override;

private:
    struct Settings {
        bool vbr = false;
        uint32_t passes = 1;
    };
    // The codec, or null for a foreign media type or an index past the list.
    const WmaCodec* CodecAt(const GUID& mediaType, uint32_t codecIndex) const;
    // The formats listed under the codec's current settings (none while VBR is on).
    const std::vector<WmaCodecFormat>* FormatsOf(uint32_t codecIndex) const;

    const std::vector<WmaCodec>& codecs_;
    bool installed_ = false;  // the installed codecs, whose formats are tried when first needed
    std::vector<Settings> settings_;  // per codec
};

}  // namespace media
}  // namespace tarnel
