#include "app/SessionTexts.h"

namespace tarnel::texts {

std::string_view StorageFailureReason(HRESULT result) {
    switch (result) {
        case STG_E_FILENOTFOUND:
            return "The file could not be located.\nIt may have been deleted, renamed or moved to "
                   "a different folder.";
        case STG_E_PATHNOTFOUND:
            return "The path is invalid.\nThe folder have been deleted, renamed or moved to a "
                   "different location.";
        case STG_E_TOOMANYOPENFILES:
            return "There are too many files opened.\nPlease close some of them and try again.";
        case STG_E_ACCESSDENIED:
            return "Access to the file is denied.\nIt is write-protected or is being accessed by "
                   "another application.";
        case STG_E_INSUFFICIENTMEMORY:
            return "There is not enough virtual memory available.\nPlease close any other open "
                   "applications and try again.";
        case STG_E_SHAREVIOLATION:
        case STG_E_LOCKVIOLATION:
            return "A sharing violation occured. The file is being used by other application.";
        case STG_E_FILEALREADYEXISTS:
            return "The file format is invalid.";
        default:
            return {};
    }
}

std::string SaveSessionFailed(HRESULT result) {
    return std::string(kSaveSessionFailed).append(StorageFailureReason(result));
}

std::string OpenSessionFailed(HRESULT result) {
    return std::string(kOpenSessionFailed).append(StorageFailureReason(result));
}

}  // namespace tarnel::texts
