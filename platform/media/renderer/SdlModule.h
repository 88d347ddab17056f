#pragma once
// The lazily opened SDL2 module (see platform/sdl/SdlEntries.h): every SDL function this
// program calls is defined in SdlModule.cpp as a call through the module's table, and the first
// call opens it. A conversion never opens it.

namespace tarnel::media {

// True once a preview or a sound needed SDL and the module was opened (does not open it).
bool SdlModuleLoaded();

}  // namespace tarnel::media
