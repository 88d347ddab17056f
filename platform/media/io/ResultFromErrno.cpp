#include "platform/media/io/ResultFromErrno.h"

#include <cerrno>

namespace tarnel::media {

HRESULT ResultFromErrno(int error) {
    switch (error) {
        case 0:
            return S_OK;
        case ENOENT:
            return HRESULT_FROM_WIN32_FILE_NOT_FOUND;
        case ENOTDIR:
            return HRESULT_FROM_WIN32_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return HRESULT_FROM_WIN32_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
            return HRESULT_FROM_WIN32_DISK_FULL;
        case ENOMEM:
            return E_OUTOFMEMORY;
        case EIO:
            return HRESULT_FROM_WIN32_READ_FAULT;
        default:
            return E_FAIL;
    }
}

}  // namespace tarnel::media
