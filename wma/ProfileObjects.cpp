#include "wma/ProfileObjects.h"

#include <cctype>
#include <cstdlib>

namespace tarnel {

CStream::CStream() : languageId(SystemDefaultLocale()) {}

std::string SystemDefaultLocale() {
    for (const char* variable : {"LC_ALL", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "C";
}

std::string Rfc1766FromLocale(const std::string& locale) {
    // language[_territory][.codeset][@modifier]
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    const size_t underscore = name.find('_');
    const std::string language = name.substr(0, underscore);
    const std::string territory =
        underscore == std::string::npos ? "" : name.substr(underscore + 1);
    auto allLetters = [](const std::string& s) {
        for (unsigned char c : s) {
            if (!std::isalpha(c)) return false;
        }
        return true;
    };
    if (language.size() < 2 || language.size() > 3 || !allLetters(language) ||
        (!territory.empty() && (territory.size() != 2 || !allLetters(territory)))) {
        return "en-US";
    }
    std::string tag;
    for (unsigned char c : language) tag += char(std::tolower(c));
    if (!territory.empty()) {
        tag += '-';
        for (unsigned char c : territory) tag += char(std::toupper(c));
    }
    return tag;
}

}  // namespace tarnel
