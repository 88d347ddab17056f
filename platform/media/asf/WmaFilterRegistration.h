#pragma once
// Registers the Windows Media filter stand-ins: the WM ASF Writer ("ASF Mux" in conversion
// graphs; by class identifier only), the WM ASF Reader with the rule that gives it ASF content
// whatever the file is called, the DMO wrapper that becomes the WMA decoder when initialised
// with the WMA decoder DMO, and that decoder itself for intelligent connection.
#include "framework/FilterRegistry.h"

namespace tarnel {

void RegisterWmaFilters(FilterRegistry& registry);

}  // namespace tarnel
