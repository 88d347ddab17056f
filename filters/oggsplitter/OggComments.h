#pragma once
// What the Ogg splitter reads from stream comments: chapters ("CHAPTER01", "CHAPTER01NAME" ...)
// and the "LANGUAGE" of a stream as a Windows primary language identifier.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <vorbis/codec.h>

namespace tarnel {

struct OggChapter {
    std::string name;  // at most 32 characters from the comment
    int64_t time = 0;  // 100 ns units
};

// "[[hours:]minutes:]seconds[.fraction]" in 100 ns units; 0 for text that is not one.
int64_t ParseChapterTime(std::string_view text);
// "%02d:%02d:%02d.%03d %s": hours, minutes, seconds, milliseconds and the name.
std::string FormatChapterEntry(const OggChapter& chapter);
// CHAPTER01, CHAPTER02 ... while present, with their names ("Chapter %d" when unnamed).
std::vector<OggChapter> ChaptersFromComment(vorbis_comment* comment);
// "off" gives 9; otherwise the text (first letter upper-cased) matched by prefix against the
// English names of 44 languages; 0 when none matches.
uint32_t LanguageIdForName(std::string_view language);

}  // namespace tarnel
