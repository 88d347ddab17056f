#pragma once
// The settings the document reads and writes, each through a short-lived SettingsStore: nothing
// is cached, every call goes to the store.
#include <cstdint>
#include <string>

namespace tarnel {
class ConversionEngine;
}

namespace tarnel::settings {

// "Format" into *format; false (and *format unchanged) when none is stored.
bool ReadStoredFormat(int32_t& format);
// "Naming Strategy", or the preset when none is stored.
int32_t ReadNamingStrategy(int32_t preset);
// "Sound Alerts"; on when the value cannot be read.
bool SoundAlertsOn();
// "Open Directory" by its fallback rule; empty when nothing can be read.
std::string ReadOpenDirectory();
void WriteOpenDirectory(const std::string& folder);

// Reads the export record of the format (its defaults when none is stored) and hands it to the
// engine: the WMA choice for 200, the target PCM for 201..203, and the format code itself for
// those four. Any other code leaves the engine's previous format.
void ApplyExportSettings(int32_t exportFormat, ConversionEngine& engine);

}  // namespace tarnel::settings
