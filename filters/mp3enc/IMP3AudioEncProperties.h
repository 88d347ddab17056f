#pragma once
// IMP3AudioEncProperties: the MP3 encoder filter's settings interface.
//
// Getters write one 32-bit value; setters replace one word of the settings block and store the
// whole block back, which marks the settings as known. New values take effect at the next
// start of streaming; an encoder already open keeps its configuration. Callable from any
// thread. Null output pointers give E_POINTER.

#include <cstdint>

#include "framework/Interfaces.h"

namespace tarnel {

class IMP3AudioEncProperties : public IUnknown {
public:
    static constexpr GUID IID =
        MakeGuid(0xAC06599A, 0xD525, 0x42EA, {0xA0, 0x0C, 0xB4, 0x0F, 0x9C, 0xA4, 0x69, 0x4A});

    virtual HRESULT GetBitrate(int32_t* kbps) = 0;
    virtual HRESULT SetBitrate(int32_t kbps) = 0;
    // 1 when variable bitrate is on; the setter stores LAME's vbr_rh (2) or vbr_off (0).
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
    // E_FAIL (and 0) while no input format is known.
    virtual HRESULT GetInputSampleRate(int32_t* hz) = 0;
    virtual HRESULT GetInputChannels(int32_t* channels) = 0;
    virtual HRESULT GetOutputSampleRate(int32_t* hz) = 0;
    virtual HRESULT SetOutputSampleRate(int32_t hz) = 0;
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
    // buffer null: *size = 80 (E_FAIL when size is null too); *size below 80: *size = 80 and
    // E_FAIL; otherwise the 80 bytes are copied.
    virtual HRESULT GetSettingsBlock(uint8_t* buffer, int32_t* size) = 0;
    // E_FAIL unless size is 80.
    virtual HRESULT SetSettingsBlock(const uint8_t* buffer, int32_t size) = 0;
    virtual HRESULT ResetToDefaults() = 0;
    // S_OK when an input format is known, else E_FAIL.
    virtual HRESULT IsInputFormatKnown() = 0;
};

}  // namespace tarnel
