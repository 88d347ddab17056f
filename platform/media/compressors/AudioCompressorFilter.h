#pragma once
// A WAVE audio compressor as a filter: 16-bit PCM in, the compressor's own wave format out
// (format block with its extra bytes, ready for a RIFF "fmt " chunk). The input must be a
// rate and channel count the encoder takes; otherwise the connection is refused and
// intelligent connection puts a PCM converter in front, whose offers this filter accepts.
//
// The filter registers under TarnelAudioCompressorClsid(format tag) in the audio compressor
// category with its display name, which is how the filter catalogue lists and finds it.
//
// Threading: the codec belongs to the streaming thread (Receive, EndOfStream) and to
// StartStreaming/StopStreaming, which the base class runs under m_csReceive as well.
#include <atomic>
#include <memory>
#include <vector>

#include "framework/FilterRegistry.h"
#include "framework/TransformFilter.h"
#include "platform/media/compressors/AudioCompressorCodec.h"

namespace tarnel::media {

class AudioCompressorFilter : public CTransformFilter {
public:
    explicit AudioCompressorFilter(const AudioCompressorDescription& compressor);
    ~AudioCompressorFilter() override;

    const AudioCompressorDescription& Description() const { return compressor_; }

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;

private:
    // Sends `encoded_` downstream in as many buffers as it takes.
    HRESULT DeliverEncoded();

    AudioCompressorDescription compressor_;
    std::unique_ptr<AudioCompressorCodec> codec_;  // streaming only
    std::vector<uint8_t> encoded_;                 // encoded bytes not yet delivered
    uint64_t framesDelivered_ = 0;                 // sample frames covered by delivered bytes
    std::atomic<bool> restartPending_{false};      // set by a flush (control thread)
};

// Registers every installed compressor in the audio compressor category.
void RegisterAudioCompressors(FilterRegistry& registry);

}  // namespace tarnel::media
