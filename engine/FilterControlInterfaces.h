#pragma once
// Control interfaces the conversion engine drives on filters that other folders provide: the
// Vorbis encoder's trial start, the ASF writer's profile and index mode, and the DMO wrapper's
// initialisation (the MP3 encoder's IMP3AudioEncProperties comes with that filter). The engine
// finds them with Query<> on filters it creates by class identifier, so a missing filter or
// interface is a clean failure result.
//
// The filters that implement these live below the engine; this header is meant to move down to
// framework/ with them (identifiers and slots stay as they are).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/mp3enc/IMP3AudioEncProperties.h"
#include "framework/Interfaces.h"

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

// A Windows Media profile built for the ASF writer (opaque to the engine).
class IWMProfile : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x96406BDB, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF});
};

class IConfigAsfWriter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x45086030, 0xF7E4, 0x486A, {0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B});
    virtual HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    virtual HRESULT SetIndexMode(bool indexFile) = 0;
};

class IDMOWrapperFilter : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0x52D6F586, 0x9F0F, 0x4824, {0x8F, 0xC8, 0xE3, 0x2C, 0xA0, 0x49, 0x30, 0xC2});
    virtual HRESULT Init(const GUID& dmoClsid, const GUID& dmoCategory) = 0;
};

// Where the WMA export gets its profile: the codec names in codec-index order and the profile
// builder for one codec format. Provided by the WMA profile code; empty functions mean that
// WMA export is not available.
struct WmaProfileSource {
    std::function<std::vector<std::string>()> codecNames;
    // The profile is handed to the writer even when the result is a failure, as long as one
    // was made.
    std::function<HRESULT(const std::string& codecName, int32_t formatIndex, uint8_t vbr,
                          std::shared_ptr<IWMProfile>* profile)>
        createProfile;
};

}  // namespace tarnel
