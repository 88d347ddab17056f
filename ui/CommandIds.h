#pragma once
// Command identifiers of the desktop program. Menus, the tool bar, accelerators and context
// menus share one QAction per id; the frame routes each id to the active view, then the
// document, then itself.
namespace tarnel::ui {

enum CommandId : int {
    // Session (framework document commands).
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FIRST = 57616,  // 57616..57619: the four recent files
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
    ID_HELP_INDEX = 57667,    // "&Help Topics"
    ID_HELP = 57670,          // tool bar Help, F1
    ID_PRODUCT_PAGE = 32790,  // Help menu entry opening the product web page
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    // File list commands.
    ID_EDIT_SELECT_ALL = 32776,
    ID_EDIT_UNSELECT_ALL = 32777,
    ID_EDIT_INVERT_SELECTION = 32781,
    ID_EDIT_REMOVE_CONVERTED = 32786,
    ID_EDIT_RESET_CONVERTED = 32784,
    ID_REMOVE_SELECTION = 141,
    ID_CHECK_SELECTION = 1077,
    ID_UNCHECK_SELECTION = 1078,
    ID_PLAY_SELECTION = 145,
    // Log window.
    ID_LOG_CLEAR_ALL = 1092,
    // Actions.
    ID_ADD_FILES_MENU = 32771,
    ID_ADD_FILES = 1079,
    ID_CONVERT = 1080,
    ID_CANCEL = 1081,
    ID_PLAY = 1005,
    ID_PAUSE = 1002,
    ID_STOP = 1003,
    // Settings.
    ID_SETTINGS = 1004,  // the tool bar button body: no action
    ID_EXPORT_CONFIGURATION = 32772,
    ID_GENERAL_CONFIGURATION = 32775,
};

}  // namespace tarnel::ui
