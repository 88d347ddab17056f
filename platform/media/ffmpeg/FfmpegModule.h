#pragma once
// The lazily opened FFmpeg module (see platform/ffmpeg/FfmpegEntries.h): every FFmpeg function
// this program calls is defined in FfmpegModule.cpp as a call through the module's table, and
// the first call opens it. Filters, media types and merits are registered without it.

namespace tarnel::media {

// True once a job needed FFmpeg and the module was opened (does not open it).
bool FfmpegModuleLoaded();

}  // namespace tarnel::media
