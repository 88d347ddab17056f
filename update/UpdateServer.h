#pragma once
// Where the update request goes and what it carries.
#include <string>

namespace tarnel {

// The product version of this build, as sent with the request.
std::string ProductVersionText();

// The update host ("name" or "name:port"): TARNEL_UPDATE_HOST when set, else the build default.
std::string UpdateHost();

// "/cgi-bin/qz_vemora_upcln.pyg?ver=" followed by the version, appended without escaping.
std::string UpdateRequestPath(const std::string& version);

// The page the user is sent to when the browser cannot open the download address.
inline constexpr const char* kUpdateWebPage = "http://www.tarnel-audio.invalid/update.html";

}  // namespace tarnel
