#pragma once
// What the conversion engine does to the Vorbis encoder beyond its stream configuration: the
// managed bitrate switch and a trial start and stop that tells whether libvorbis takes the
// settings before the graph runs.
#include "framework/Interfaces.h"

namespace tarnel {

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

}  // namespace tarnel
