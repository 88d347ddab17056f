#pragma once
// Names of converted files. The output always goes into the source file's folder.
//   strategy 0: <base>-<source extension without dots>-conv<new extension>
//               /music/song.wav to MP3 -> /music/song-wav-conv.mp3, /music/song -> song--conv.mp3
//   strategy 1: <base>_<year>-<day>-<month>_<hh>h<mm>m<ss>s<new extension> (local time; the day
//               comes before the month)
// <base> is the path without its extension, the extension being the part of the last path
// component from its last dot.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace tarnel {

// ".wma", ".mp3", ".ogg", ".wav" for 200..203; empty for any other code.
std::string_view ExportExtension(int32_t exportFormat);

// Source format code from a probed format name: "WMA" 200, "MP3" 201, "OGG" 202, "WAV" 203,
// anything else 204.
int32_t SourceFormatCode(std::string_view formatName);

// The output path for a source; empty when the strategy is neither 0 nor 1.
std::string MakeOutputName(std::string_view sourcePath, int32_t namingStrategy,
                           int32_t exportFormat, const std::tm& localTime);

}  // namespace tarnel
