#pragma once
// The WMA codecs of this system as the Windows Media Format runtime stand-in lists them: the WMA
// encoders the FFmpeg build has, each with the formats (bitrate, sample rate, channels) that the
// encoder really accepts. A format is offered only when the encoder opens with it and encodes a
// few frames of full-scale noise without complaint, so the list never holds a format that would
// fail later in a conversion.
//
// A codec's candidates are tried once per process (about half a millisecond each) when its
// formats are first asked for, so a job that uses one codec never tries the others; the results
// are immutable afterwards and safe to read from any thread.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/MediaType.h"

namespace tarnel::media {

struct WmaCodecFormat {
    uint32_t bitrate = 0;  // bits per second
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t blockAlign = 0;     // bytes per coded superframe, as the encoder chose
    std::vector<uint8_t> extra;  // the codec data that follows the WAVEFORMATEX
    std::string description;     // "128 kbps, 44 kHz, stereo CBR"

    // MEDIATYPE_Audio with the codec's subtype and the WAVEFORMATEX plus codec data.
    CMediaType MediaType(uint16_t formatTag) const;
};

struct WmaCodec {
    std::string name;                     // as a user knows it: "Windows Media Audio 2"
    std::string encoderName;              // FFmpeg encoder
    uint16_t formatTag = 0;               // WAVE format tag of its streams
    std::vector<WmaCodecFormat> formats;  // constant bitrate; low to high
};

// The installed codecs, in their fixed order (newest bitstream first), with their formats.
const std::vector<WmaCodec>& InstalledWmaCodecs();

// The same codecs with their formats left empty: nothing is tried.
const std::vector<WmaCodec>& InstalledWmaCodecList();

// The formats of InstalledWmaCodecList()[codecIndex] (none for an index past the list).
const std::vector<WmaCodecFormat>& InstalledWmaFormats(size_t codecIndex);

// The FFmpeg encoder for a WMA format tag; nullptr when the build has none for it.
const char* WmaEncoderForTag(uint16_t formatTag);

// "128 kbps, 44 kHz, stereo CBR": kilobits and kilohertz rounded down.
std::string DescribeWmaFormat(uint32_t bitrate, uint32_t sampleRate, uint16_t channels);

// Opens the encoder with the settings and encodes a few frames of noise; on success fills the
// block align and codec data the encoder chose and returns true.
bool TryWmaEncoder(const std::string& encoderName, uint32_t bitrate, uint32_t sampleRate,
                   uint16_t channels, uint16_t* blockAlign, std::vector<uint8_t>* extra);

}  // namespace tarnel::media
