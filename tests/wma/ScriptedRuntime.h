#pragma once
// A scripted Windows Media Format runtime for the profile tests: codecs with constant-bitrate
// and VBR format lists given by the test, switches that make single calls fail, and a record of
// what was asked. Profiles are the stand-in's own CWMProfile, so a test can read back what the
// creator put into them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel::test {

struct ScriptedFormat {
    std::string description;
    uint32_t bitrate = 0;
    uint16_t formatTag = 0x0161;
};

struct ScriptedCodec {
    std::string name;
    std::vector<ScriptedFormat> cbr;
    std::vector<ScriptedFormat> vbr;
    bool hasVbr = true;               // false: "_VBRENABLED" = 1 is refused
    HRESULT cbrSettingResult = S_OK;  // what "_VBRENABLED" = 0 answers
    bool nameFails = false;
};

// A format list of n formats described "fmt <i>" with bitrates 1000 * (i + 1) (+ offset).
std::vector<ScriptedFormat> MakeFormats(int count, uint32_t bitrateOffset = 0);

class ScriptedRuntime final : public IWMProfileManager, public IWMCodecInfo3 {
public:
    std::vector<ScriptedCodec> codecs;
    // Failure switches.
    HRESULT codecCountResult = S_OK;
    HRESULT createProfileResult = S_OK;
    HRESULT getFormatResult = S_OK;

    // Record.
    int countCalls = 0;
    int createProfileCalls = 0;
    struct SettingCall {
        uint32_t codec;
        std::string name;
        uint32_t value;
    };
    std::vector<SettingCall> settingCalls;

    void* QueryInterface(const GUID& iid) override;
    HRESULT CreateEmptyProfile(uint32_t version, std::shared_ptr<IWMProfile>* profile) override;
    HRESULT GetCodecInfoCount(const GUID& mediaType, uint32_t* count) override;
    HRESULT GetCodecFormatCount(const GUID& mediaType, uint32_t codec, uint32_t* count) override;
    HRESULT GetCodecFormat(const GUID& mediaType, uint32_t codec, uint32_t format,
                           std::shared_ptr<IWMStreamConfig>* config) override;
    HRESULT GetCodecName(const GUID& mediaType, uint32_t codec, std::string* name) override;
    HRESULT GetCodecFormatDesc(const GUID& mediaType, uint32_t codec, uint32_t format,
                               std::shared_ptr<IWMStreamConfig>* config,
                               std::string* description) override;
    HRESULT SetCodecEnumerationSetting(const GUID& mediaType, uint32_t codec,
                                       const std::string& name, WMT_ATTR_DATATYPE type,
                                       std::span<const uint8_t> value) override;
    HRESULT GetCodecEnumerationSetting(const GUID& mediaType, uint32_t codec,
                                       const std::string& name, WMT_ATTR_DATATYPE* type,
                                       std::vector<uint8_t>* value) override;

private:
    const std::vector<ScriptedFormat>* Current(uint32_t codec) const;
    std::vector<bool> vbrOn_;  // per codec, sized on first use
};

// A factory that hands out `runtime` (shared, so the test can inspect it) and counts the calls.
struct ScriptedFactory {
    std::shared_ptr<ScriptedRuntime> runtime = std::make_shared<ScriptedRuntime>();
    std::shared_ptr<int> managersMade = std::make_shared<int>(0);
    bool fail = false;

    HRESULT operator()(std::shared_ptr<IWMProfileManager>* manager) const;
};

}  // namespace tarnel::test
