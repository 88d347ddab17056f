#pragma once
// The libogg, libvorbis and libvorbisenc functions the program calls, as one table of entry points.
// Only Ogg files and Ogg Vorbis exports need them, so a WAV or MP3 job maps none of the three: the
// module libtarnel-vorbis.so links them and hands out this table; platform/codecs defines
// each function below as a call through the table, opening the module on the first call. A function
// used for the first time is added to TARNEL_VORBIS_FUNCTIONS with its number of parameters.
#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <cstdint>

#include "framework/ModuleForwarding.h"

// clang-format off
#define TARNEL_VORBIS_FUNCTIONS(X) \
    X(ogg_packet_clear, 1) X(ogg_page_bos, 1) X(ogg_page_granulepos, 1) X(ogg_page_packets, 1) \
    X(ogg_page_pageno, 1) X(ogg_page_serialno, 1) X(ogg_stream_clear, 1) \
    X(ogg_stream_flush, 2) X(ogg_stream_init, 2) X(ogg_stream_packetin, 2) \
    X(ogg_stream_packetout, 2) X(ogg_stream_pagein, 2) X(ogg_stream_pageout, 2) \
    X(ogg_stream_reset, 1) X(ogg_sync_buffer, 2) X(ogg_sync_clear, 1) X(ogg_sync_init, 1) \
    X(ogg_sync_pageout, 2) X(ogg_sync_pageseek, 2) X(ogg_sync_wrote, 2) X(vorbis_analysis, 2) \
    X(vorbis_analysis_blockout, 2) X(vorbis_analysis_buffer, 2) \
    X(vorbis_analysis_headerout, 5) X(vorbis_analysis_init, 2) X(vorbis_analysis_wrote, 2) \
    X(vorbis_bitrate_addblock, 1) X(vorbis_bitrate_flushpacket, 2) X(vorbis_block_clear, 1) \
    X(vorbis_block_init, 2) X(vorbis_comment_add_tag, 3) X(vorbis_comment_clear, 1) \
    X(vorbis_comment_init, 1) X(vorbis_comment_query, 3) X(vorbis_comment_query_count, 2) \
    X(vorbis_commentheader_out, 2) X(vorbis_dsp_clear, 1) X(vorbis_encode_ctl, 3) \
    X(vorbis_encode_init, 6) X(vorbis_encode_init_vbr, 4) X(vorbis_encode_setup_init, 1) \
    X(vorbis_encode_setup_managed, 6) X(vorbis_info_clear, 1) X(vorbis_info_init, 1) \
    X(vorbis_packet_blocksize, 2) X(vorbis_synthesis, 2) X(vorbis_synthesis_blockin, 2) \
    X(vorbis_synthesis_headerin, 3) X(vorbis_synthesis_init, 2) X(vorbis_synthesis_pcmout, 2) \
    X(vorbis_synthesis_read, 2)
// clang-format on

namespace tarnel::vorbis {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_VORBIS_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_vorbis_entries().
inline constexpr const char* kEntrySymbol = "tarnel_vorbis_entries";

}  // namespace tarnel::vorbis
