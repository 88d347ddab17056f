#pragma once
// Owning pointers for the FFmpeg objects our codecs hold, so headers need no FFmpeg includes.
#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace tarnel::media {

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const;
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const;
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const;
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

}  // namespace tarnel::media
