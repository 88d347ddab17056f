// libtarnel-ffmpeg.so: links FFmpeg and hands out the addresses of its functions. Loaded with
// dlopen by platform/media on the first FFmpeg call.
#include "platform/ffmpeg/FfmpegEntries.h"

extern "C" __attribute__((visibility("default"))) const tarnel::ffmpeg::Entries*
tarnel_ffmpeg_entries() {
    static const tarnel::ffmpeg::Entries entries{sizeof(tarnel::ffmpeg::Entries),
                                                 TARNEL_FFMPEG_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
