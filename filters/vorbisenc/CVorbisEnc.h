#pragma once
// CVorbisEnc ("QZ Vorbis Encoder"): turns interleaved PCM (16-bit integer or 32-bit float) into
// Vorbis packets with libvorbis. Delivers the three header packets first (times 0, 0), then one
// sample per audio packet, stamped from the packet's granule position (start) and the analysis
// state's granule position (stop).
//
// Set-up (StartStreaming) is chosen from the configured VorbisFormatBlock: a quality within
// -0.1..1.0 selects quality VBR; otherwise the managed-VBR flag selects a quality mode derived
// from the average bitrate; otherwise bitrate management with the three limits. A set-up that
// libvorbis refuses makes StartStreaming return 1 (S_FALSE), which the conversion engine's
// trial start turns into E_VORBIS_SETTINGS_REJECTED.
//
// Timeline: each input is placed on the sample line by its start time's distance from the
// previous input's stop (the first by its start time); an overlapping head is dropped and a gap
// is filled with silence, so the encoded stream has no holes and no repeats. A sample without
// a time continues at the frames submitted.
//
// Threading: Receive and EndOfStream run on the upstream streaming thread under m_csReceive;
// StartStreaming/StopStreaming run under the state lock (and m_csReceive, see CTransformFilter)
// or on the engine's thread for the trial, while the graph is stopped. The libvorbis state and
// the counters are touched only there. The stored settings are written by SetFormat while
// stopped.

#include <memory>
#include <vector>

#include <vorbis/codec.h>

#include "filters/oggcommon/IVorbisEncoderControl.h"
#include "filters/oggcommon/VorbisFormatBlock.h"
#include "framework/FilterRegistry.h"
#include "framework/TransformFilter.h"

namespace tarnel {

class CVorbisEncOutputPin;

class CVorbisEnc : public CTransformFilter, public IVorbisEncoderControl {
public:
    // Frames per analysis write. Small writes keep libvorbis' buffer short: after every block
    // it moves all samples still buffered, so large writes cost time that grows with their size.
    static constexpr int kAnalysisFrames = 1024;
    static constexpr int32_t kMinOutputBuffer = 16384;

    CVorbisEnc();
    ~CVorbisEnc() override;

    // Adds IVorbisEncoderControl.
    void* QueryInterface(const GUID& iid) override;

    // IVorbisEncoderControl: the engine's managed-bitrate switch and trial start (while
    // stopped; VFW_E_NOT_STOPPED otherwise).
    void SetManagedBitrate(bool on) override { m_managedVbr = on; }
    HRESULT TrialStartStreaming() override;
    HRESULT TrialStopStreaming() override;

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;  // E_UNEXPECTED
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    // 0 when the encoder is set up, 1 when libvorbis refuses the configured settings.
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    // Managed VBR (bitrate mode 1): a quality mode derived from the average bitrate, without
    // bitrate management. Set by the conversion engine; kept for the filter's life.
    bool ManagedVbr() const { return m_managedVbr; }

    // Called by the output pin's SetFormat.
    void StoreSettings(const VorbisFormatBlock& block);
    VorbisFormatBlock StoredSettings() const;
    // The libvorbis channel that receives each input channel.
    const std::vector<int>& ChannelMap() const { return m_channelMap; }
    int64_t SamplesSubmitted() const { return m_samplesSubmitted; }

private:
    HRESULT DeliverHeaders();
    HRESULT Drain();
    void ReleaseEncoder();
    // Sets up m_info from the configured settings: S_FALSE when libvorbis refuses them.
    HRESULT SetUpInfo();

    // libvorbis state; which parts are initialised is tracked so that release is always safe.
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    bool m_infoReady = false;
    bool m_encoderReady = false;  // dsp, block and comment initialised

    int64_t m_samplesSubmitted = 0;
    // The end of the previous input: its stop time and where it ended on the sample line.
    bool m_anchorSet = false;
    REFERENCE_TIME m_anchorTime = 0;
    int64_t m_anchorSample = 0;
    bool m_headersSent = false;
    int m_channels = 0;  // configured channel count (from the output type)
    int64_t m_rate = 0;  // configured rate

    // Settings, -1 until SetFormat gives them.
    int32_t m_minBitsPerSec = -1;
    int32_t m_avgBitsPerSec = -1;
    int32_t m_maxBitsPerSec = -1;
    float m_quality = -1.0f;
    bool m_managedVbr = false;

    std::vector<int> m_channelMap;  // rebuilt on every input SetMediaType
};

// Registers CLSID_VorbisEnc ("QZ Vorbis Encoder"), created by class identifier only (never
// inserted by intelligent connection).
void RegisterVorbisEncoder(FilterRegistry& registry);

}  // namespace tarnel
