#pragma once
// The codec libraries behind lazily opened modules (platform/vorbis, platform/lame,
// platform/mpg123): every libogg, libvorbis, libvorbisenc, LAME and libmpg123 function this
// program calls is defined here as a call through its module's table, and the first call opens
// the module. So a job maps only the codecs it uses: a WAV to WAV conversion none of them.

namespace tarnel::codecs {

// True once a call needed the module and it was opened (does not open it).
bool VorbisModuleLoaded();
bool LameModuleLoaded();
bool Mpg123ModuleLoaded();

}  // namespace tarnel::codecs
