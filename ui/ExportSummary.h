#pragma once
// The text of the side bar "Current Export Configuration": the stored export format and its
// settings, one line each with a blank line between them. Each record starts from its defaults,
// so a missing record shows those, and a missing "Format" shows the MP3 text.
#include <string>

#include "settings/Mp3Settings.h"
#include "settings/OggSettings.h"
#include "settings/WavSettings.h"
#include "settings/WmaSettings.h"

namespace tarnel {
class ProfileEnumerator;
}

namespace tarnel::ui {

// Reads "Format" and the matching record; an unknown format code gives an empty text. The
// enumerator names the WMA codec and format and is asked only for the WMA text.
std::string BuildExportSummary(ProfileEnumerator& wmaCodecs);

std::string Mp3SummaryText(const Mp3Settings& settings);
std::string OggSummaryText(const OggSettings& settings);
std::string WavSummaryText(const WavSettings& settings);
// A codec index outside the codec list leaves the codec name and the format empty.
std::string WmaSummaryText(const WmaSettings& settings, ProfileEnumerator& wmaCodecs);

}  // namespace tarnel::ui
