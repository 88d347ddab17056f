#pragma once
// Answers whether "visual styles" are active. On a Linux desktop the visual style is the
// desktop's Qt style and palette: while a widget application with a style is running, the
// themed drawing paths go through QStyle and the palette, so light and dark themes both look
// right. The plain path with the fixed colours serves where no style exists (no QApplication)
// or where the user asks for the classic look with TARNEL_VISUAL_STYLES=0.
#include <optional>

namespace tarnel::ui {

class CThemeHelper {
public:
    // True when the themed drawing path applies.
    static bool IsThemeActive();
    // Tests force either path; nothing restores the automatic answer.
    static void ForceThemeActive(std::optional<bool> active);

private:
    static std::optional<bool> forced_;
};

}  // namespace tarnel::ui
