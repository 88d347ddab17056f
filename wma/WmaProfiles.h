#pragma once
// What the conversion engine asks of the WMA profile code: the codec names in codec-index order
// (a fresh ProfileEnumerator) and the profile for one codec format (a fresh ProfileCreator).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel {

std::vector<std::string> ListWmaCodecNames();

// S_OK when the profile was completed; E_FAIL otherwise, with `profile` still set whenever an
// empty profile could be made (the writer then refuses it).
HRESULT CreateWmaProfile(const std::string& codecName, int32_t formatIndex, uint8_t vbr,
                         std::shared_ptr<IWMProfile>* profile);

}  // namespace tarnel
