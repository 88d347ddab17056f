#pragma once
// The FFmpeg functions the program calls, as one table of entry points. FFmpeg (with the
// distribution's codec stack behind it: VA-API, VDPAU, X11, OpenCL ...) is loaded only when a
// job first needs it: the module libtarnel-ffmpeg.so links the FFmpeg libraries and hands out
// this table; platform/media/ffmpeg defines each function below as a call through the table,
// opening the module on the first call. Code that calls FFmpeg includes the usual FFmpeg headers
// and needs nothing else; a function used for the first time is added to TARNEL_FFMPEG_FUNCTIONS
// with its number of parameters (the link fails until it is).
#include <cstdint>

#include "framework/ModuleForwarding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

// clang-format off
#define TARNEL_FFMPEG_FUNCTIONS(X) \
    X(av_channel_layout_copy, 2) X(av_channel_layout_default, 2) X(av_codec_get_id, 2)           \
    X(av_channel_layout_from_mask, 2) X(av_channel_layout_uninit, 1) X(av_dict_set, 4)           \
    X(av_dict_free, 1) X(av_find_best_stream, 6) X(av_find_input_format, 1) X(av_frame_alloc, 0) \
    X(av_frame_free, 1) X(av_frame_get_buffer, 2) X(av_frame_make_writable, 1)                   \
    X(av_frame_unref, 1) X(av_free, 1) X(av_freep, 1) X(av_get_packed_sample_fmt, 1)             \
    X(av_log_get_level, 0) X(av_log_set_level, 1) X(av_malloc, 1) X(av_mallocz, 1)               \
    X(av_new_packet, 2) X(av_packet_alloc, 0) X(av_packet_free, 1) X(av_packet_rescale_ts, 3)    \
    X(av_packet_unref, 1) X(av_read_frame, 2) X(av_rescale, 3) X(av_rescale_q, 3)                \
    X(av_sample_fmt_is_planar, 1) X(av_seek_frame, 4) X(av_strerror, 3) X(av_write_frame, 2)     \
    X(av_write_trailer, 1) X(avcodec_alloc_context3, 1) X(avcodec_find_decoder, 1)               \
    X(avcodec_find_encoder, 1) X(avcodec_find_encoder_by_name, 1) X(avcodec_flush_buffers, 1)    \
    X(avcodec_free_context, 1) X(avcodec_open2, 3) X(avcodec_parameters_from_context, 2)         \
    X(avcodec_parameters_to_context, 2) X(avcodec_receive_frame, 2) X(avcodec_receive_packet, 2) \
    X(avcodec_send_frame, 2) X(avcodec_send_packet, 2) X(avformat_alloc_context, 0)              \
    X(avformat_alloc_output_context2, 4) X(avformat_close_input, 1)                              \
    X(avformat_find_stream_info, 2) X(avformat_free_context, 1) X(avformat_new_stream, 2)        \
    X(avformat_get_riff_audio_tags, 0) X(avformat_open_input, 4) X(avformat_write_header, 2)     \
    X(avio_alloc_context, 7)                                                                     \
    X(avio_closep, 1) X(avio_context_free, 1) X(avio_flush, 1) X(avio_open, 3)                   \
    X(swr_alloc_set_opts2, 9) X(swr_convert, 5) X(swr_free, 1) X(swr_get_out_samples, 2)         \
    X(swr_init, 1) X(swr_set_matrix, 3) TARNEL_FFMPEG_SUPPORTED_CONFIG(X)
// clang-format on

// Only FFmpeg 7 and later have the query of an encoder's supported configurations.
#if LIBAVCODEC_VERSION_MAJOR >= 61
#define TARNEL_FFMPEG_SUPPORTED_CONFIG(X) X(avcodec_get_supported_config, 5)
#else
#define TARNEL_FFMPEG_SUPPORTED_CONFIG(X)
#endif

namespace tarnel::ffmpeg {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_FFMPEG_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_ffmpeg_entries(), the address
// of its Entries.
inline constexpr const char* kEntrySymbol = "tarnel_ffmpeg_entries";

}  // namespace tarnel::ffmpeg
