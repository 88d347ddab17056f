#pragma once
// The texts of every command of the main frame: the menu text with its mnemonic and accelerator
// text, the status-bar prompt and the tool tip (the two halves of the command's string table
// entry), the tool bar label and the icon. Menus, the tool bar and the accelerators are built
// from this one table.
#include <QKeySequence>
#include <QString>

#include <span>

namespace tarnel::ui {

struct CommandInfo {
    int id;
    const char* menuText;   // "&New Conversion Session\tCtrl+N"; empty for tool-bar-only items
    const char* prompt;     // status bar text while the command is highlighted
    const char* toolTip;    // tool tip of the tool bar button
    const char* label;      // tool bar label; null when the command has no button
    const char* themeIcon;  // freedesktop icon name; null when none fits
    const char* ownIcon;    // our SVG in the resources, without extension; null for none
    QKeySequence::StandardKey standardKey = QKeySequence::UnknownKey;  // added to the accelerator
};

std::span<const CommandInfo> Commands();
// The entry of a command id; null for an id without one.
const CommandInfo* FindCommand(int id);

// The menu text without the accelerator part and without the mnemonic marker: the accessible
// name of the command ("&Open Conversion Session ...\tCtrl+O" -> "Open Conversion Session ...").
QString PlainText(const QString& menuText);
// The accelerator part after the tab, or nothing.
QKeySequence MenuShortcut(const char* menuText);

}  // namespace tarnel::ui
