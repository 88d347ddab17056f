#include "engine/OggMarker.h"

#include <string>
#include <vector>

#include "framework/RegularFile.h"

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
    std::vector<uint8_t> head;
    if (ReadRegularFileHead(path, kOggMarkerBytes, head) != 0) return false;
    return HasOggMarker(head);
}

}  // namespace tarnel
