#pragma once
// ProfileEnumerator: the installed Windows Media audio codecs and their formats, asked of the
// Windows Media Format runtime once per enumerator: the codec names in the runtime's codec order
// and, per codec, its formats in the constant-bitrate variant and then in the one-pass VBR
// variant. Formats whose description is empty or mentions "(A/V)" are left out; the others keep
// the runtime's own format index, which is what the WMA settings store.
//
// Every user (settings page, side bar, engine) makes its own enumerator so the runtime is asked
// afresh. Not thread-safe: one thread uses an enumerator.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/wmruntime/CWMProfileManager.h"
#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel {

struct WmaFormatEntry {
    std::string description;  // as the runtime describes the format
    int32_t formatIndex = 0;  // the runtime's index within the codec's list for this variant
    uint8_t vbr = 0;          // 1 for the VBR variant

    friend bool operator==(const WmaFormatEntry&, const WmaFormatEntry&) = default;
};

// Codec name -> formats; entries of one codec keep their insertion order.
using WmaFormatMap = std::multimap<std::string, WmaFormatEntry>;

// WMCreateProfileManager or a stand-in for it.
using ProfileManagerFactory = std::function<HRESULT(std::shared_ptr<IWMProfileManager>*)>;

class ProfileEnumerator {
public:
    explicit ProfileEnumerator(ProfileManagerFactory createManager = &WMCreateProfileManager);
    virtual ~ProfileEnumerator();
    ProfileEnumerator(const ProfileEnumerator&) = delete;
    ProfileEnumerator& operator=(const ProfileEnumerator&) = delete;

    // Enumerates on first use; copies of the tables. The names alone never ask for formats
    // (which the runtime may have to try out first).
    void GetCodecNames(std::vector<std::string>& names);
    void GetFormats(WmaFormatMap& formats);

private:
    void EnumerateNames();
    void Enumerate();
    void EnumerateVariant(uint32_t codecIndex, bool vbr);

    ProfileManagerFactory createManager_;
    std::vector<std::string> codecNames_;
    WmaFormatMap formats_;
    std::shared_ptr<IWMCodecInfo3> codecInfo_;  // obtained on first use
    std::string currentCodecName_;
    // Set once the runtime has been asked: an enumeration that found no format is not repeated,
    // and the codec names are never listed twice.
    bool namesListed_ = false;
    bool enumerated_ = false;
};

// Applies the codec enumeration settings of a variant: "_VBRENABLED" = vbr (a refusal with
// NS_E_UNSUPPORTED_PROPERTY is no failure for the constant-bitrate variant) and, for VBR,
// "_PASSESUSED" = passes.
HRESULT ApplyCodecEnumerationSettings(IWMCodecInfo3* info, uint32_t codecIndex, bool vbr,
                                      uint32_t passes);

// The codec information of a new profile manager, kept alive by the returned pointer.
HRESULT ObtainCodecInfo(const ProfileManagerFactory& createManager,
                        std::shared_ptr<IWMCodecInfo3>* info);

}  // namespace tarnel
