#pragma once
// Makes the system filter stand-ins known to a filter registry: the File Source with the
// content and extension rules that pick it (RIFF WAVE, MPEG audio, Ogg), the WAVE parser and the
// PCM converter as intermediate filters for intelligent connection, and the File Writer and
// Null Renderer, creatable by class identifier only. Filters added later (MPEG splitter and
// decoder, ASF reader, WMA decoder, audio compressors) register themselves beside these.
#include "framework/FilterRegistry.h"

namespace tarnel {

void RegisterSystemFilters(FilterRegistry& registry);

}  // namespace tarnel
