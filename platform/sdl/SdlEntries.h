#pragma once
// The SDL2 functions the program calls, as one table of entry points. SDL2 brings X11, Wayland,
// PulseAudio and ALSA with it, and only preview playback and sound alerts need it: the module
// libtarnel-sdl.so links SDL2 and hands out this table; platform/media/renderer defines each
// function below as a call through the table, opening the module on the first call. A function used
// for the first time is added to TARNEL_SDL_FUNCTIONS with its number of parameters.
#include <SDL.h>

#include <cstdint>

#include "framework/ModuleForwarding.h"

// clang-format off
#define TARNEL_SDL_FUNCTIONS(X)                                                       \
    X(SDL_CloseAudioDevice, 1) X(SDL_GetAudioDeviceStatus, 1)  \
    X(SDL_InitSubSystem, 1) X(SDL_OpenAudioDevice, 5) X(SDL_PauseAudioDevice, 2)       \
    X(SDL_QuitSubSystem, 1) X(SDL_ResetHint, 1) X(SDL_SetHint, 2) X(SDL_TLSCleanup, 0)
// clang-format on

namespace tarnel::sdl {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_SDL_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_sdl_entries().
inline constexpr const char* kEntrySymbol = "tarnel_sdl_entries";

}  // namespace tarnel::sdl
