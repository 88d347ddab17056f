#pragma once
// The images of the two views, drawn from our own SVG files (resources/views, compiled into the
// views library) unless the desktop's icon theme has an icon of the same freedesktop name.
#include <QIcon>

namespace tarnel::ui {

QIcon LogMessageIcon();  // "dialog-information"
QIcon LogErrorIcon();    // "dialog-error"

}  // namespace tarnel::ui
