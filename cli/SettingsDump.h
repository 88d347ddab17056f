#pragma once
// --dump-settings: every value of the program's key, sorted by name (byte order), one per line:
//   name TAB type TAB data
// with the type REG_SZ, REG_EXPAND_SZ, REG_BINARY or REG_DWORD and the data in decimal for a
// DWORD, lower-case hex bytes for binary data, and the text (up to its NUL) for strings. Control
// characters in names and texts are written as \xNN so that each value stays on its line. Other
// types, and DWORDs that are not 4 bytes, show their bytes in hex.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/registry/RegistryValue.h"

namespace tarnel::cli {

// One line of the listing, without its newline.
std::string FormatValueLine(std::string_view name, const registry::RegistryValue& value);

// Prints the listing of the settings key to `out`. False (and a message on standard error) when
// the settings cannot be opened or listed.
bool DumpSettings(std::FILE* out);

}  // namespace tarnel::cli
