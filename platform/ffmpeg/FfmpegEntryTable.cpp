// libtarnel-ffmpeg.so: links FFmpeg and hands out the addresses of its functions. Loaded with
// dlopen by platform/media/ffmpeg on the first FFmpeg call.
#include "platform/ffmpeg/FfmpegEntries.h"

// Typed as the loader calls it (a function returning const void*): calling a function through a
// pointer of another type is undefined, and clang's sanitizer stops on it.
extern "C" __attribute__((visibility("default"))) const void* tarnel_ffmpeg_entries() {
    static const tarnel::ffmpeg::Entries entries{sizeof(tarnel::ffmpeg::Entries),
                                                 TARNEL_FFMPEG_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
