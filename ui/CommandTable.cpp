#include "ui/CommandTable.h"

#include <array>

#include "ui/CommandIds.h"

namespace tarnel::ui {

namespace {

// The prompts and tool tips of the session, view and help commands are ours; those of the
// conversion and preview commands are the program's established texts.
constexpr auto kCommands = std::to_array<CommandInfo>({
    {ID_FILE_NEW, "&New Conversion Session\tCtrl+N", "Start a new, empty conversion session",
     "New conversion session", "New", "document-new", "new"},
    {ID_FILE_OPEN, "&Open Conversion Session ...\tCtrl+O", "Open a saved conversion session",
     "Open conversion session", "Open", "document-open", "open"},
    {ID_FILE_SAVE, "&Save Conversion Session \tCtrl+S", "Save the conversion session",
     "Save conversion session", "Save", "document-save", "save"},
    {ID_FILE_SAVE_AS, "Save Conversion Session &As...",
     "Save the conversion session under a new name", "Save conversion session as", nullptr,
     "document-save-as", nullptr},
    {ID_APP_EXIT, "E&xit", "Quit Tarnel Audio Converter; asks to save a changed session", "Exit",
     nullptr, "application-exit", nullptr, QKeySequence::Quit},
    {ID_EDIT_SELECT_ALL, "&Select All\tCtrl+A", "Select every file of the list", "Select all",
     nullptr, "edit-select-all", nullptr},
    {ID_EDIT_UNSELECT_ALL, "&Unselect All\tCtrl+U", "Clear the selection of the list",
     "Unselect all", nullptr, nullptr, nullptr},
    {ID_EDIT_INVERT_SELECTION, "&Invert Selection\tCtrl+I",
     "Select the unselected files and unselect the selected ones", "Invert selection", nullptr,
     nullptr, nullptr},
    {ID_EDIT_REMOVE_CONVERTED, "&Remove Converted", "Remove the converted files from the list",
     "Remove converted", nullptr, nullptr, nullptr},
    {ID_EDIT_RESET_CONVERTED, "Reset &Converted Status",
     "Mark converted files as not converted, so that they convert again", "Reset converted status",
     nullptr, nullptr, nullptr},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the tool bar", "Tool bar", nullptr, nullptr,
     nullptr},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", "Status bar", nullptr,
     nullptr, nullptr},
    {ID_ADD_FILES_MENU, "A&dd Files", "Add audio files to convert", "Add audio files to convert",
     nullptr, "list-add", "add"},
    {ID_ADD_FILES, "", "Add audio files to convert", "Add audio files to convert", "Add",
     "list-add", "add"},
    {ID_CONVERT, "&Convert Audio", "Convert checked files", "Convert checked files", "Convert",
     nullptr, "convert"},
    {ID_CANCEL, "Cance&l Conversion", "Cancel conversion of current and subsequent files",
     "Cancel conversion of current and subsequent files", "Cancel", "process-stop", "cancel"},
    {ID_PLAY, "&Play", "Play audio file", "Play audio file", "Play", "media-playback-start",
     "play"},
    {ID_PAUSE, "Pa&use", "Pause playing", "Pause playing", "Pause", "media-playback-pause",
     "pause"},
    {ID_STOP, "&Stop", "Stop playing", "Stop playing", "Stop", "media-playback-stop", "stop"},
    {ID_SETTINGS, "", "Configure Converter", "Configure Converter", "Settings",
     "preferences-system", "settings"},
    {ID_EXPORT_CONFIGURATION, "&Export Configuration",
     "Choose the export format and its encoder settings", "Export configuration", nullptr, nullptr,
     nullptr},
    {ID_GENERAL_CONFIGURATION, "&General Configuration",
     "Output naming, user interface, logging and update options", "General configuration", nullptr,
     nullptr, nullptr},
    {ID_HELP_INDEX, "&Help Topics", "Open the user guide", "Help topics", nullptr, "help-contents",
     nullptr},
    {ID_HELP, "", "Open the user guide", "Help", "Help", "help-contents", "help",
     QKeySequence::HelpContents},
    {ID_PRODUCT_PAGE, "Tarnel Audio Converter on the &Web",
     "Open the product web page in the browser", "Product web page", nullptr,
     "applications-internet", nullptr},
    {ID_APP_ABOUT, "&About Tarnel Audio Converter", "Show the program's name and version", "About",
     nullptr, "help-about", nullptr},
});

}  // namespace

std::span<const CommandInfo> Commands() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& info : kCommands) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

QString PlainText(const QString& menuText) {
    QString text = menuText.section(QLatin1Char('\t'), 0, 0);
    // "&&" is a literal ampersand; a single one marks the mnemonic.
    text.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0xE000), QLatin1Char('&'));
    return text.trimmed();
}

QKeySequence MenuShortcut(const char* menuText) {
    const QString text = QString::fromUtf8(menuText);
    const int tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0) return {};
    return QKeySequence(text.mid(tab + 1), QKeySequence::PortableText);
}

}  // namespace tarnel::ui
