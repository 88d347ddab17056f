#pragma once
// CMP3EncFilter: 16-bit PCM in, an MPEG-1/2 Layer III stream out, through LAME.
//
// Input: MEDIATYPE_Audio with a PCM WAVEFORMATEX the encoder accepts (CMP3Encoder). Output:
// MEDIATYPE_Stream / MEDIASUBTYPE_MPEG1Audio with the 40-byte MPEG-1 wave format block.
// Output samples come from 4 buffers of 48000 bytes and carry the time span of the PCM that
// went in; the frames LAME still holds at end of stream go out as one untimed sample before
// end-of-stream is passed on. An input sample too large for one output buffer is encoded in
// pieces, each delivered in a buffer of its own.
//
// Threading: settings calls (IMP3AudioEncProperties) on any thread; connection calls on the
// application thread under the filter lock; ProcessInput and Drain on the upstream streaming
// thread under the receive lock. The encoder has its own lock (CMP3Encoder), so a flush closes
// it at once; outputFormat_ is guarded by formatLock_.

#include <initializer_list>
#include <mutex>
#include <utility>

#include "filters/mp3enc/CMP3Encoder.h"
#include "filters/mp3enc/IMP3AudioEncProperties.h"
#include "filters/mp3enc/Mp3OutputFormat.h"
#include "framework/AudioCodecFilter.h"
#include "framework/FilterRegistry.h"

namespace tarnel {

inline constexpr GUID CLSID_MP3EncFilter =
    MakeGuid(0xBDC91CC1, 0xFA36, 0x4239, {0x90, 0xC0, 0x89, 0xBE, 0xCA, 0x40, 0xBB, 0xEB});

constexpr int32_t kMp3OutputBufferCount = 4;
constexpr uint32_t kMp3OutputSampleSize = 4096;  // nominal fixed sample size of the output type

class CMP3EncFilter : public CAudioCodecFilter, public IMP3AudioEncProperties {
public:
    CMP3EncFilter();
    ~CMP3EncFilter() override;

    void* QueryInterface(const GUID& iid) override;

    // CAudioCodecFilter
    // Encodes `in` into `out` (whose properties InitializeOutputSample carried over).
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT BeginFlush() override;

    // IMP3AudioEncProperties
    HRESULT GetBitrate(int32_t* kbps) override;
    HRESULT SetBitrate(int32_t kbps) override;
    HRESULT GetVbrEnabled(int32_t* enabled) override;
    HRESULT SetVbrEnabled(int32_t enabled) override;
    HRESULT GetVbrMinBitrate(int32_t* kbps) override;
    HRESULT SetVbrMinBitrate(int32_t kbps) override;
    HRESULT GetVbrMaxBitrate(int32_t* kbps) override;
    HRESULT SetVbrMaxBitrate(int32_t kbps) override;
    HRESULT GetEncodingQuality(int32_t* quality) override;
    HRESULT SetEncodingQuality(int32_t quality) override;
    HRESULT GetVbrQuality(int32_t* quality) override;
    HRESULT SetVbrQuality(int32_t quality) override;
    HRESULT GetInputSampleRate(int32_t* hz) override;
    HRESULT GetInputChannels(int32_t* channels) override;
    HRESULT GetOutputSampleRate(int32_t* hz) override;
    HRESULT SetOutputSampleRate(int32_t hz) override;
    HRESULT GetChannelMode(int32_t* mode) override;
    HRESULT SetChannelMode(int32_t mode) override;
    HRESULT GetErrorProtection(int32_t* on) override;
    HRESULT SetErrorProtection(int32_t on) override;
    HRESULT GetOriginalBit(int32_t* on) override;
    HRESULT SetOriginalBit(int32_t on) override;
    HRESULT GetCopyrightBit(int32_t* on) override;
    HRESULT SetCopyrightBit(int32_t on) override;
    HRESULT GetVbrHardMinimum(int32_t* on) override;
    HRESULT SetVbrHardMinimum(int32_t on) override;
    HRESULT GetVoicePreset(int32_t* on) override;
    HRESULT SetVoicePreset(int32_t on) override;
    HRESULT GetFullBandwidth(int32_t* on) override;
    HRESULT SetFullBandwidth(int32_t on) override;
    HRESULT GetStrictIso(int32_t* on) override;
    HRESULT SetStrictIso(int32_t on) override;
    HRESULT GetSpareSetting(int32_t* value) override;
    HRESULT SetSpareSetting(int32_t value) override;
    HRESULT GetForceMidSide(int32_t* on) override;
    HRESULT SetForceMidSide(int32_t on) override;
    HRESULT GetSpareSetting2(int32_t* value) override;
    HRESULT SetSpareSetting2(int32_t value) override;
    HRESULT GetSettingsBlock(uint8_t* buffer, int32_t* size) override;
    HRESULT SetSettingsBlock(const uint8_t* buffer, int32_t size) override;
    HRESULT ResetToDefaults() override;
    HRESULT IsInputFormatKnown() override;

    // The current output format block (a copy).
    Mpeg1WaveFormatBlock OutputFormat() const;
    CMP3Encoder& Encoder() { return encoder_; }

protected:
    HRESULT ProcessInput(IMediaSample* in, std::span<const uint8_t> bytes) override;
    // The frames LAME still holds, as one untimed sample; the encoder is closed.
    HRESULT Drain() override;
    // Streaming goes on from the new position with a fresh encoder.
    void ResetCodec() override;

private:
    HRESULT GetWord(Mp3SettingWord word, int32_t* value);
    HRESULT SetWord(Mp3SettingWord word, int32_t value);
    // Stores the words in one go.
    HRESULT SetWords(std::initializer_list<std::pair<Mp3SettingWord, int32_t>> words);
    // Rebuilt only when both the settings and the input format are known.
    void RebuildOutputFormat();
    // After an input format change while the output is connected.
    void ReconnectOutput();
    // Encodes `pcm` into `out`, handing earlier pieces downstream in buffers of their own when
    // it does not fit. Streaming thread.
    HRESULT EncodeSample(IMediaSample* in, std::span<const uint8_t> pcm, IMediaSample* out);
    // All of `pcm` into one output buffer; the encoder's failure unchanged.
    HRESULT EncodeInto(std::span<const uint8_t> pcm, IMediaSample* out, uint8_t* outData,
                       size_t outSize);
    // The piece's share of the input's time span.
    static void SetPieceTimes(IMediaSample* in, IMediaSample* piece, size_t pieceBegin,
                              size_t pieceEnd, size_t totalBytes);
    HRESULT DeliverPiece(IMediaSample* in, std::span<const uint8_t> pcm, size_t pieceBegin,
                         size_t pieceEnd, size_t totalBytes);

    CMP3Encoder encoder_;
    mutable std::mutex formatLock_;
    Mpeg1WaveFormatBlock outputFormat_{};  // guarded by formatLock_
};

// Registers CLSID_MP3EncFilter, placed by the conversion graph builder only, never by intelligent
// connection.
void RegisterMp3Encoder(FilterRegistry& registry);

}  // namespace tarnel
