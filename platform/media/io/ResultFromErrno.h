#pragma once
#include "framework/Result.h"

namespace tarnel::media {

// Maps an errno value to the result the Windows file API would give.
HRESULT ResultFromErrno(int error);

}  // namespace tarnel::media
