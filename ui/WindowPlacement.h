#pragma once
// The main window placement as stored in "MainWindow": ten numbers, "%d,...,%d", in the order
// show command, flags, minimised x, minimised y, maximised x, maximised y, then the normal
// rectangle as left, RIGHT, TOP, bottom (right and bottom exclusive, screen coordinates).
#include <QRect>

#include <optional>
#include <string>
#include <string_view>

namespace tarnel::ui {

inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

struct WindowPlacement {
    int showCommand = kShowNormal;
    int flags = 0;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, right = 0, top = 0, bottom = 0;

    QRect NormalRect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Nothing unless all ten fields parse as numbers (surrounding blanks allowed) and nothing else
// follows.
std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text);
std::string FormatWindowPlacement(const WindowPlacement& placement);
// Whether the normal rectangle meets the primary screen rectangle (0, 0, width, height).
bool MeetsScreen(const WindowPlacement& placement, int screenWidth, int screenHeight);

}  // namespace tarnel::ui
