#pragma once
// Control interfaces the conversion engine drives on filters that other folders provide: the
// MP3 encoder's settings, the Vorbis encoder's trial start, the ASF writer's profile and index
// mode, and the DMO wrapper's initialisation. The engine finds them with Query<> on filters
// it creates by class identifier, so a missing filter or interface is a clean failure result.
//
// The filters that implement these live below the engine; this header is meant to move down to
// framework/ with them (identifiers and slots stay as they are).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Interfaces.h"

namespace tarnel {

// The MP3 encoder filter's class ("MP3 Compressor").
inline constexpr GUID CLSID_MP3EncFilter =
    MakeGuid(0xBDC91CC1, 0xFA36, 0x4239, {0x90, 0xC0, 0x89, 0xBE, 0xCA, 0x40, 0xBB, 0xEB});

// Settings of the MP3 encoder filter; setters take effect at the next encoder start.
class IMP3AudioEncProperties : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xAC06599A, 0xD525, 0x42EA, {0xA0, 0x0C, 0xB4, 0x0F, 0x9C, 0xA4, 0x69, 0x4A});
    virtual HRESULT GetBitrate(int32_t* kbps) = 0;
    virtual HRESULT SetBitrate(int32_t kbps) = 0;
    virtual HRESULT GetVbrEnabled(int32_t* enabled) = 0;
    virtual HRESULT SetVbrEnabled(int32_t enabled) = 0;
    virtual HRESULT GetVbrMinBitrate(int32_t* kbps) = 0;
    virtual HRESULT SetVbrMinBitrate(int32_t kbps) = 0;
    virtual HRESULT GetVbrMaxBitrate(int32_t* kbps) = 0;
    virtual HRESULT SetVbrMaxBitrate(int32_t kbps) = 0;
    virtual HRESULT GetEncodingQuality(int32_t* quality) = 0;
    virtual HRESULT SetEncodingQuality(int32_t quality) = 0;
    virtual HRESULT GetVbrQuality(int32_t* quality) = 0;
    virtual HRESULT SetVbrQuality(int32_t quality) = 0;
    virtual HRESULT GetInputSampleRate(int32_t* rate) = 0;
    virtual HRESULT GetInputChannels(int32_t* channels) = 0;
    virtual HRESULT GetOutputSampleRate(int32_t* rate) = 0;
    virtual HRESULT SetOutputSampleRate(int32_t rate) = 0;
    // LAME numbering: 0 stereo, 1 joint stereo, 2 dual channel, 3 mono.
    virtual HRESULT GetChannelMode(int32_t* mode) = 0;
    virtual HRESULT SetChannelMode(int32_t mode) = 0;
    virtual HRESULT GetErrorProtection(int32_t* on) = 0;
    virtual HRESULT SetErrorProtection(int32_t on) = 0;
    virtual HRESULT GetOriginalBit(int32_t* on) = 0;
    virtual HRESULT SetOriginalBit(int32_t on) = 0;
    virtual HRESULT GetCopyrightBit(int32_t* on) = 0;
    virtual HRESULT SetCopyrightBit(int32_t on) = 0;
    virtual HRESULT GetVbrHardMinimum(int32_t* on) = 0;
    virtual HRESULT SetVbrHardMinimum(int32_t on) = 0;
    virtual HRESULT GetVoicePreset(int32_t* on) = 0;
    virtual HRESULT SetVoicePreset(int32_t on) = 0;
    virtual HRESULT GetFullBandwidth(int32_t* on) = 0;
    virtual HRESULT SetFullBandwidth(int32_t on) = 0;
    virtual HRESULT GetStrictIso(int32_t* on) = 0;
    virtual HRESULT SetStrictIso(int32_t on) = 0;
    virtual HRESULT GetSpareSetting(int32_t* value) = 0;
    virtual HRESULT SetSpareSetting(int32_t value) = 0;
    virtual HRESULT GetForceMidSide(int32_t* on) = 0;
    virtual HRESULT SetForceMidSide(int32_t on) = 0;
    virtual HRESULT GetSpareSetting2(int32_t* value) = 0;
    virtual HRESULT SetSpareSetting2(int32_t value) = 0;
    virtual HRESULT GetSettingsBlock(uint8_t* buffer, int32_t* size) = 0;
    virtual HRESULT SetSettingsBlock(const uint8_t* buffer, int32_t size) = 0;
    virtual HRESULT ResetToDefaults() = 0;
    virtual HRESULT IsInputFormatKnown() = 0;
};

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
