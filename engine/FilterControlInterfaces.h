#pragma once
// Control interfaces the conversion engine drives on filters that other folders provide: the
// Vorbis encoder's IVorbisEncoderControl, the MP3 encoder's IMP3AudioEncProperties, and the ASF
// writer's IConfigAsfWriter and the DMO wrapper's IDMOWrapperFilter of the Windows Media
// stand-ins. The engine finds them with Query<> on filters it creates by class identifier, so a
// missing filter or interface is a clean failure result.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/mp3enc/IMP3AudioEncProperties.h"
#include "filters/oggcommon/IVorbisEncoderControl.h"
#include "framework/Interfaces.h"
#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel {

// Where the WMA export gets its profile: the codec names in codec-index order and the profile
// builder for one codec format. Empty functions: the WMA profile code of wma/ (WmaProfiles.h).
struct WmaProfileSource {
    std::function<std::vector<std::string>()> codecNames;
    // The profile is handed to the writer even when the result is a failure, as long as one
    // was made.
    std::function<HRESULT(const std::string& codecName, int32_t formatIndex, uint8_t vbr,
                          std::shared_ptr<IWMProfile>* profile)>
        createProfile;
};

}  // namespace tarnel
