#pragma once
// Makes the system filter stand-ins known to a filter registry: the File Source with the
// content and extension rules that pick it (RIFF WAVE, MPEG audio, Ogg), the WAVE parser and the
// PCM converter as intermediate filters for intelligent connection, and the File Writer and
// Null Renderer, creatable by class identifier only; and the other stand-ins: the MPEG audio
// splitter and decoder, the ASF reader, WMA decoder and ASF writer, the audio compressors, and
// the Audio Renderer that Render ends audio streams in.
// Registering twice changes nothing.
#include "framework/FilterRegistry.h"

namespace tarnel {

void RegisterSystemFilters(FilterRegistry& registry);

}  // namespace tarnel
