#pragma once
// Command and program icons: the desktop icon theme's icon where a freedesktop name fits,
// otherwise ours (SVG in the resources, with a separate greyed set for disabled buttons).
#include <QIcon>

namespace tarnel::ui {

struct CommandInfo;

QIcon CommandIcon(const CommandInfo& command);
// The program icon: the theme's "tarnel-audio-converter" (installed in hicolor), else ours.
QIcon ProgramIcon();

}  // namespace tarnel::ui
