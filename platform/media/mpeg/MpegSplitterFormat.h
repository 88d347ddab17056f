#pragma once
// The media type the MPEG splitter offers for its audio: MEDIATYPE_Audio with
// MEDIASUBTYPE_MP3 and a 30-byte MPEGLAYER3WAVEFORMAT block for Layer III, or
// MEDIASUBTYPE_MPEG1AudioPayload with a 40-byte MPEG1WAVEFORMAT block for Layers I and II.
// Rate and channel count are those of the first audio frame.
#include "framework/MediaType.h"
#include "platform/media/mpeg/MpegAudioFrame.h"

namespace tarnel::media {

inline constexpr size_t kMpegLayer3WaveFormatSize = 30;
inline constexpr size_t kMpeg1WaveFormatSize = 40;

CMediaType MpegSplitterOutputType(const MpegAudioFrame& first);

}  // namespace tarnel::media
