#include "app/OutputNaming.h"

#include <cstdio>

#include "engine/Converter.h"

namespace tarnel {

std::string_view ExportExtension(int32_t exportFormat) {
    switch (exportFormat) {
        case kFormatWma:
            return ".wma";
        case kFormatMp3:
            return ".mp3";
        case kFormatOgg:
            return ".ogg";
        case kFormatWav:
            return ".wav";
        default:
            return {};
    }
}

int32_t SourceFormatCode(std::string_view formatName) {
    if (formatName == "WMA") return kFormatWma;
    if (formatName == "MP3") return kFormatMp3;
    if (formatName == "OGG") return kFormatOgg;
    if (formatName == "WAV") return kFormatWav;
    return kFormatUnknown;
}

std::string MakeOutputName(std::string_view sourcePath, int32_t namingStrategy,
                           int32_t exportFormat, const std::tm& localTime) {
    if (namingStrategy != 0 && namingStrategy != 1) return {};

    const size_t componentStart = [&] {
        const size_t slash = sourcePath.rfind('/');
        return slash == std::string_view::npos ? size_t{0} : slash + 1;
    }();
    const size_t dot = sourcePath.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot >= componentStart;
    const std::string_view base = hasExtension ? sourcePath.substr(0, dot) : sourcePath;
    const std::string_view newExtension = ExportExtension(exportFormat);

    std::string name(base);
    if (namingStrategy == 0) {
        name += '-';
        if (hasExtension) {
            for (char c : sourcePath.substr(dot)) {
                if (c != '.') name += c;
            }
        }
        name += "-conv";
    } else {
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "_%d-%02d-%02d_%02dh%02dm%02ds",
                      localTime.tm_year + 1900, localTime.tm_mday, localTime.tm_mon + 1,
                      localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
        name += stamp;
    }
    name += newExtension;
    return name;
}

}  // namespace tarnel
