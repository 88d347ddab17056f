#include "wma/WmaProfiles.h"

#include "wma/ProfileCreator.h"
#include "wma/ProfileEnumerator.h"

namespace tarnel {

std::vector<std::string> ListWmaCodecNames() {
    ProfileEnumerator enumerator;
    std::vector<std::string> names;
    enumerator.GetCodecNames(names);
    return names;
}

HRESULT CreateWmaProfile(const std::string& codecName, int32_t formatIndex, uint8_t vbr,
                         std::shared_ptr<IWMProfile>* profile) {
    if (!profile) return E_POINTER;
    ProfileCreator creator;
    creator.codecName = codecName;
    creator.formatIndex = formatIndex;
    creator.vbr = vbr;
    return creator.CreateProfile(profile) ? S_OK : E_FAIL;
}

}  // namespace tarnel
