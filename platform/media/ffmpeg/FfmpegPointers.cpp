#include "platform/media/ffmpeg/FfmpegPointers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace tarnel::media {

void CodecContextDeleter::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}
void FrameDeleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}
void PacketDeleter::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

}  // namespace tarnel::media
