#include "filters/oggsplitter/OggComments.h"

#include <cctype>
#include <cstdio>

#include "framework/RefTime.h"

namespace tarnel {

namespace {

struct LanguageName {
    const char* name;
    uint32_t id;  // Windows primary language identifier
};

constexpr LanguageName kLanguages[] = {
    {"Afrikaans", 0x36},  {"Albanian", 0x1C},  {"Arabic", 0x01},    {"Basque", 0x2D},
    {"Belarusian", 0x23}, {"Bulgarian", 0x02}, {"Catalan", 0x03},   {"Chinese", 0x04},
    {"Croatian", 0x1A},   {"Czech", 0x05},     {"Danish", 0x06},    {"Dutch", 0x13},
    {"English", 0x09},    {"Estonian", 0x25},  {"Faeroese", 0x38},  {"Farsi", 0x29},
    {"Finnish", 0x0B},    {"French", 0x0C},    {"German", 0x07},    {"Greek", 0x08},
    {"Hebrew", 0x0D},     {"Hungarian", 0x0E}, {"Icelandic", 0x0F}, {"Indonesian", 0x21},
    {"Italian", 0x10},    {"Japanese", 0x11},  {"Korean", 0x12},    {"Latvian", 0x26},
    {"Lithuanian", 0x27}, {"Malay", 0x3E},     {"Norwegian", 0x14}, {"Polish", 0x15},
    {"Portuguese", 0x16}, {"Romanian", 0x18},  {"Russian", 0x19},   {"Serbian", 0x1A},
    {"Slovak", 0x1B},     {"Slovenian", 0x24}, {"Spanish", 0x0A},   {"Swahili", 0x41},
    {"Swedish", 0x1D},    {"Thai", 0x1E},      {"Turkish", 0x1F},   {"Ukrainian", 0x22},
};

bool ParseDigits(std::string_view text, int64_t* value) {
    if (text.empty() || text.size() > 12) return false;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

}  // namespace

int64_t ParseChapterTime(std::string_view text) {
    int64_t parts[3] = {0, 0, 0};
    int count = 0;
    std::string_view rest = text;
    std::string_view secondsText;
    for (;;) {
        size_t colon = rest.find(':');
        if (colon == std::string_view::npos) {
            secondsText = rest;
            break;
        }
        if (count >= 2) return 0;
        if (!ParseDigits(rest.substr(0, colon), &parts[count])) return 0;
        ++count;
        rest.remove_prefix(colon + 1);
    }
    int64_t hours = 0, minutes = 0;
    if (count == 2) {
        hours = parts[0];
        minutes = parts[1];
    } else if (count == 1) {
        minutes = parts[0];
    }
    size_t dot = secondsText.find('.');
    int64_t seconds = 0;
    if (!ParseDigits(secondsText.substr(0, dot), &seconds)) return 0;
    int64_t fraction = 0;  // 100 ns units
    if (dot != std::string_view::npos) {
        std::string_view digits = secondsText.substr(dot + 1);
        int64_t scale = 1'000'000;
        for (char c : digits) {
            if (c < '0' || c > '9') return 0;
            fraction += (c - '0') * scale;
            scale /= 10;
        }
    }
    return ((hours * 60 + minutes) * 60 + seconds) * UNITS + fraction;
}

std::string FormatChapterEntry(const OggChapter& chapter) {
    int64_t ms = chapter.time / 10'000;
    char text[160];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d %s", static_cast<int>(ms / 3'600'000),
                  static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000), chapter.name.c_str());
    return text;
}

std::vector<OggChapter> ChaptersFromComment(vorbis_comment* comment) {
    std::vector<OggChapter> chapters;
    if (!comment) return chapters;
    for (int n = 1; n < 1000; ++n) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "CHAPTER%02d", n);
        const char* value = vorbis_comment_query(comment, tag, 0);
        if (!value) break;
        OggChapter chapter;
        chapter.time = ParseChapterTime(value);
        std::snprintf(tag, sizeof tag, "CHAPTER%02dNAME", n);
        if (const char* name = vorbis_comment_query(comment, tag, 0)) {
            chapter.name = std::string(name).substr(0, 32);
        } else {
            chapter.name = "Chapter " + std::to_string(n);
        }
        chapters.push_back(std::move(chapter));
    }
    return chapters;
}

uint32_t LanguageIdForName(std::string_view language) {
    if (language == "off") return 9;
    if (language.empty()) return 0;
    std::string text(language);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    for (const auto& entry : kLanguages) {
        std::string_view name = entry.name;
        // "Eng" names English, and so does "English (UK)".
        if (name.substr(0, text.size()) == text ||
            std::string_view(text).substr(0, name.size()) == name)
            return entry.id;
    }
    return 0;
}

}  // namespace tarnel
