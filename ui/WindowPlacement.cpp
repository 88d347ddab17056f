#include "ui/WindowPlacement.h"

#include <array>
#include <charconv>
#include <string>

namespace tarnel::ui {

std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text) {
    std::array<int, 10> fields{};
    size_t at = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        while (at < text.size() && text[at] == ' ') ++at;
        const char* begin = text.data() + at;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), fields[i]);
        if (error != std::errc()) return std::nullopt;
        at = static_cast<size_t>(end - text.data());
        while (at < text.size() && text[at] == ' ') ++at;
        if (i + 1 < fields.size()) {
            if (at >= text.size() || text[at] != ',') return std::nullopt;
            ++at;
        }
    }
    if (at != text.size()) return std::nullopt;
    return WindowPlacement{fields[0], fields[1], fields[2], fields[3], fields[4],
                           fields[5], fields[6], fields[7], fields[8], fields[9]};
}

std::string FormatWindowPlacement(const WindowPlacement& p) {
    std::string text;
    for (int value : {p.showCommand, p.flags, p.minX, p.minY, p.maxX, p.maxY, p.left, p.right,
                      p.top, p.bottom}) {
        if (!text.empty()) text += ',';
        text += std::to_string(value);
    }
    return text;
}

bool MeetsScreen(const WindowPlacement& p, int screenWidth, int screenHeight) {
    // Both rectangles have exclusive right and bottom edges; an empty rectangle meets nothing.
    if (p.right <= p.left || p.bottom <= p.top) return false;
    return p.left < screenWidth && p.right > 0 && p.top < screenHeight && p.bottom > 0;
}

}  // namespace tarnel::ui
