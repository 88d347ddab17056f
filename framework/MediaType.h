#pragma once
// Media type value type: what a pin connection carries. The format block is an owned byte
// vector; for audio it is a serialised WAVEFORMATEX (see WaveFormat.h).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/Guid.h"
#include "framework/Guids.h"
#include "framework/WaveFormat.h"

namespace tarnel {

class CMediaType {
public:
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples = true;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 1;
    GUID formattype;
    std::vector<uint8_t> format;  // the format block; empty when there is none

    CMediaType() = default;
    CMediaType(const GUID& major, const GUID& sub, const GUID& formatType = GUID_NULL)
        : majortype(major), subtype(sub), formattype(formatType) {}

    friend bool operator==(const CMediaType&, const CMediaType&) = default;

    // A type is valid once it has a major type.
    bool IsValid() const { return !majortype.IsNull(); }
    // Partially specified: a null major type, subtype or format type acts as a wildcard.
    bool IsPartiallySpecified() const;
    // True when this (full) type fits the given partial type: every non-null GUID of the
    // partial type equals ours, and a non-empty partial format block equals ours.
    bool MatchesPartial(const CMediaType& partial) const;

    void SetType(const GUID& major) { majortype = major; }
    void SetSubtype(const GUID& sub) { subtype = sub; }
    void SetFormatType(const GUID& type) { formattype = type; }
    void SetFormat(std::span<const uint8_t> block) { format.assign(block.begin(), block.end()); }
    void ResetFormatBuffer() { format.clear(); }
    uint32_t FormatLength() const { return static_cast<uint32_t>(format.size()); }
    const uint8_t* Format() const { return format.empty() ? nullptr : format.data(); }

    void SetSampleSize(uint32_t size);  // fixed-size samples of that size; 0 = variable
    void SetVariableSize() { bFixedSizeSamples = false; }
    void SetTemporalCompression(bool on) { bTemporalCompression = on; }
    uint32_t GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }

    // Sets FORMAT_WaveFormatEx and the serialised record plus extra bytes.
    void SetWaveFormat(const WAVEFORMATEX& wfx, std::span<const uint8_t> extra = {});
    // The parsed wave format when the format type is FORMAT_WaveFormatEx and the block is a
    // valid record; nullopt otherwise (never reads past the block).
    std::optional<WaveFormatInfo> WaveFormat() const;
    // The WAVEFORMATEX alone (nullopt like WaveFormat()).
    std::optional<WAVEFORMATEX> WaveFormatEx() const;

    // Readable summary for logs and test messages.
    std::string ToString() const;
};

using AM_MEDIA_TYPE = CMediaType;

// Fills an audio type from a wave format: MEDIATYPE_Audio, the subtype of the format tag
// (the sub-format for extensible blocks), FORMAT_WaveFormatEx with the block, fixed-size
// samples of nBlockAlign bytes.
CMediaType MakeAudioMediaType(const WAVEFORMATEX& wfx, std::span<const uint8_t> extra = {});
CMediaType MakeAudioMediaType(const WAVEFORMATEXTENSIBLE& wfx);

}  // namespace tarnel
