#pragma once
// Control interfaces the conversion engine drives on filters that other folders provide: the
// Vorbis encoder's trial start defined here, the MP3 encoder's IMP3AudioEncProperties that
// comes with that filter, and the ASF writer's IConfigAsfWriter and the DMO wrapper's
// IDMOWrapperFilter of the Windows Media stand-ins. The engine
// finds them with Query<> on filters it creates by class identifier, so a missing filter or
// interface is a clean failure result.
//
// IVorbisEncoderControl is implemented below the engine (by the Vorbis encoder); it belongs in
// framework/ or filters/ and can move there unchanged.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/mp3enc/IMP3AudioEncProperties.h"
#include "framework/Interfaces.h"
#include "platform/media/WindowsMediaInterfaces.h"

namespace tarnel {

// What the engine does to the Vorbis encoder beyond its stream configuration: the managed
// bitrate switch and a trial start and stop that tells whether libvorbis takes the settings.
class IVorbisEncoderControl : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x5E1D7A30, 0x2C44, 0x4F0B, {0x9A, 0x51, 0x54, 0x41, 0x52, 0x4E, 0x45, 0x4C});
    virtual void SetManagedBitrate(bool on) = 0;
    // The encoder's start-streaming step: 0 when libvorbis accepted the set-up, 1 when it
    // refused it, a failure code otherwise.
    virtual HRESULT TrialStartStreaming() = 0;
    virtual HRESULT TrialStopStreaming() = 0;
};

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
