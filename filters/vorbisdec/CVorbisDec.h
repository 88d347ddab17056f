#pragma once
// CVorbisDec: turns the Vorbis packets the Ogg splitter delivers into interleaved PCM, 16-bit
// integer or 32-bit float, in WAVE channel order, with an optional gain from the stream's
// "LWING_GAIN" (preferred) or "POSTGAIN" comment.
//
// The three header packets are stored as they arrive (any packet whose first byte is odd) and
// set up synthesis before the first audio packet. Each audio packet is decoded only when the
// next sample arrives (or at end of stream), so the last packet is decoded with libvorbis'
// end-of-stream flag and the stream's length comes out exact. A packet followed by a sample
// with a negative start time is not synthesised. Output times come from the synthesis state's
// granule position.
//
// A discontinuity restarts synthesis with the stored headers; a flush or a stop forgets them
// (the splitter sends them again after every new start).
//
// Threading: Receive and EndOfStream run on the splitter's delivery thread (under
// m_csReceive); BeginFlush and StopStreaming on the control thread. All of them take
// m_decoderLock, which guards the headers, the libvorbis state, the pending sample and the
// output settings.

#include <mutex>
#include <vector>

#include <vorbis/codec.h>

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "framework/FilterRegistry.h"
#include "framework/MediaSample.h"
#include "framework/TransformFilter.h"

namespace tarnel {

class CVorbisDec;

class CVorbisDecInputPin : public CTransformInputPin {
public:
    CVorbisDecInputPin(CVorbisDec* filter, HRESULT* hr);
    HRESULT QueryId(std::string* id) override;                               // "In"
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;  // 2 buffers
};

class CVorbisDec : public CTransformFilter {
public:
    static constexpr int kBufferFrames = 4096;

    CVorbisDec();
    ~CVorbisDec() override;

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;

    // Offer 32-bit float before 16-bit integer (off: 16-bit first).
    void SetFloatFirst(bool on) { m_floatFirst = on; }
    bool GainActive() const { return m_gainOn; }
    float Gain() const { return m_gain; }

private:
    HRESULT Decode(IMediaSample* sample, bool endOfStream, bool skip);
    HRESULT InitSynthesis();
    void ResetSynthesis();
    void ForgetHeaders();
    HRESULT DeliverPcm();

    std::recursive_mutex m_decoderLock;
    std::vector<uint8_t> m_headers[3];  // identification, comment, setup; empty when missing
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    bool m_initialised = false;
    int64_t m_packetCount = 0;
    bool m_gainOn = false;
    float m_gain = 1.0f;
    MediaSamplePtr m_pending;
    bool m_floatOutput = false;
    int m_outputChannels = 0;
    std::vector<int> m_channelMap;
    bool m_floatFirst = false;
    int64_t m_framesDelivered = 0;  // for times when libvorbis has no granule position yet
};

// Registers CLSID_VorbisDec for intelligent connection (Vorbis packets to PCM).
void RegisterVorbisDecoder(FilterRegistry& registry);

}  // namespace tarnel
