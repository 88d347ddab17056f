#pragma once
// A source filter for probing tests that stands in for a reader the system does not have yet
// (the ASF reader of WMA files). A file whose content starts with "SCRIPTED" is given to it;
// the next four bytes are the format tag of the one type its output pin offers (as
// MEDIATYPE_Audio with that wave subtype) and the eight after them the duration its pin
// reports, in 100 ns units, little-endian.
#include <cstdint>
#include <filesystem>

#include "framework/FilterRegistry.h"

namespace tarnel::test {

// Registers the filter and the rule that picks it.
void RegisterScriptedSource(FilterRegistry& registry);

void WriteScriptedSourceFile(const std::filesystem::path& path, uint32_t formatTag,
                             int64_t durationUnits);

}  // namespace tarnel::test
