#pragma once
// Registers the MPEG audio splitter and decoder stand-ins for intelligent connection and
// creation by class identifier (CLSID_MPEG1Splitter, CLSID_MP3DecoderFilter).
#include "framework/FilterRegistry.h"

namespace tarnel {

void RegisterMpegFilters(FilterRegistry& registry);

}  // namespace tarnel
