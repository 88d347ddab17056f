#include "ui/controls/CThemeHelper.h"

#include <QApplication>
#include <QStyle>

#include <cstdlib>
#include <string_view>

namespace tarnel::ui {

std::optional<bool> CThemeHelper::forced_;

bool CThemeHelper::IsThemeActive() {
    if (forced_) return *forced_;
    if (const char* env = std::getenv("TARNEL_VISUAL_STYLES")) {
        if (std::string_view(env) == "0") return false;
    }
    // QApplication::style() creates a style on demand, so ask only inside a widget program.
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
           QApplication::style() != nullptr;
}

void CThemeHelper::ForceThemeActive(std::optional<bool> active) {
    forced_ = active;
}

}  // namespace tarnel::ui
