#include "ui/DocumentCommands.h"

#include "ui/CommandIds.h"

namespace tarnel::ui {

bool DocumentCommands::OnCommand(int id) {
    const auto call = [](const std::function<void()>& f) {
        if (f) f();
        return true;
    };
    switch (id) {
        case ID_ADD_FILES:
        case ID_ADD_FILES_MENU:
            doc_.AddFiles();
            return true;
        case ID_CONVERT:
            doc_.StartOrContinueRun();
            return true;
        case ID_CANCEL:
            doc_.CancelRun();
            return true;
        case ID_EXPORT_CONFIGURATION:
            doc_.ConfigureExport();
            return true;
        case ID_GENERAL_CONFIGURATION:
            doc_.ConfigureGeneral();
            return true;
        case ID_EDIT_RESET_CONVERTED:
            doc_.ResetConvertedStatus();
            return true;
        case ID_SETTINGS:
            return true;  // the button body: the arrow opens the menu
        case ID_PLAY:
            return call(preview_.play);
        case ID_PAUSE:
            return call(preview_.pause);
        case ID_STOP:
            return call(preview_.stop);
        default:
            return false;
    }
}

std::optional<bool> DocumentCommands::OnUpdateCommand(int id) const {
    if (id == ID_EDIT_RESET_CONVERTED) return true;
    return std::nullopt;  // the frame's flags decide the others
}

}  // namespace tarnel::ui
