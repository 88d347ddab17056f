#include "engine/OggMarker.h"

#include <fstream>
#include <string>

namespace tarnel {

bool HasOggMarker(std::span<const uint8_t> head) {
    std::string text;
    for (size_t i = 0; i < head.size() && i < kOggMarkerBytes && head[i] != 0; ++i) {
        const char c = static_cast<char>(head[i]);
        text.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return text.find("ogg") != std::string::npos;
}

bool FileHasOggMarker(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    uint8_t head[kOggMarkerBytes] = {};
    in.read(reinterpret_cast<char*>(head), kOggMarkerBytes);
    return HasOggMarker(std::span<const uint8_t>(head, static_cast<size_t>(in.gcount())));
}

}  // namespace tarnel
