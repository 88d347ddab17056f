#include "filters/mp3enc/CMP3Encoder.h"
#include "framework/VectorState.h"

#include <lame/lame.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tarnel {

static_assert(std::endian::native == std::endian::little,
              "PCM bytes are handed to LAME as host-order 16-bit samples");

namespace {

constexpr uint32_t kAcceptedRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000};

// LAME's published bound for one call: 1.25 bytes per sample frame plus 7200 bytes.
constexpr size_t kLameSlackBytes = 7200;

// The samples as LAME reads them: the buffer itself when it is aligned for 16-bit reads, else
// a copy in `to`.
const int16_t* Samples(const uint8_t* bytes, size_t count, std::vector<int16_t>& to) {
    if (reinterpret_cast<uintptr_t>(bytes) % alignof(int16_t) == 0) {
        return reinterpret_cast<const int16_t*>(bytes);
    }
    if (to.size() < count) to.resize(count);
    std::memcpy(to.data(), bytes, count * sizeof(int16_t));
    return to.data();
}

}  // namespace

CMP3Encoder::~CMP3Encoder() {
    Close();
}

bool CMP3Encoder::IsAcceptedInput(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 16) return false;
    return std::find(std::begin(kAcceptedRates), std::end(kAcceptedRates), f.nSamplesPerSec) !=
           std::end(kAcceptedRates);
}

HRESULT CMP3Encoder::SetInputFormat(const WAVEFORMATEX& format) {
    std::lock_guard lock(mutex_);
    if (!IsAcceptedInput(format)) {
        inputKnown_ = false;
        return E_INVALIDARG;
    }
    inputFormat_ = format;
    inputKnown_ = true;
    return S_OK;
}

HRESULT CMP3Encoder::SetSettings(const Mp3EncSettings& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
    settingsKnown_ = true;
    return S_OK;
}

Mp3EncSettings CMP3Encoder::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

bool CMP3Encoder::SettingsKnown() const {
    std::lock_guard lock(mutex_);
    return settingsKnown_;
}

std::optional<WAVEFORMATEX> CMP3Encoder::InputFormat() const {
    std::lock_guard lock(mutex_);
    if (!inputKnown_) return std::nullopt;
    return inputFormat_;
}

bool CMP3Encoder::IsOpen() const {
    std::lock_guard lock(mutex_);
    return lame_ != nullptr;
}

int CMP3Encoder::ChannelsFedToLame() const {
    // A mono input in stereo mode is fed to both channels.
    if (inputFormat_.nChannels == 1 && settings_[kMp3ChannelMode] == STEREO) return 2;
    return inputFormat_.nChannels;
}

HRESULT CMP3Encoder::Open() {
    std::lock_guard lock(mutex_);
    if (lame_) return S_OK;
    if (!settingsKnown_ || !inputKnown_) return E_UNEXPECTED;
    lame_t l = lame_init();
    if (!l) return E_OUTOFMEMORY;
    const Mp3EncSettings& s = settings_;
    // The order matters to LAME: later calls may override what earlier ones implied.
    lame_set_num_channels(l, ChannelsFedToLame());
    lame_set_in_samplerate(l, static_cast<int>(inputFormat_.nSamplesPerSec));
    lame_set_out_samplerate(l, s[kMp3OutputSampleRate]);
    lame_set_brate(l, s[kMp3Bitrate]);
    lame_set_VBR(l, static_cast<vbr_mode>(s[kMp3VbrMode]));
    lame_set_VBR_min_bitrate_kbps(l, s[kMp3VbrMinBitrate]);
    lame_set_VBR_max_bitrate_kbps(l, s[kMp3VbrMaxBitrate]);
    lame_set_copyright(l, s[kMp3Copyright]);
    lame_set_original(l, s[kMp3Original]);
    lame_set_error_protection(l, s[kMp3ErrorProtection]);
    lame_set_bWriteVbrTag(l, 0);
    lame_set_strict_ISO(l, s[kMp3StrictIso]);
    lame_set_VBR_hard_min(l, s[kMp3VbrHardMinimum]);
    lame_set_force_ms(l, s[kMp3ForceMidSide]);
    lame_set_mode(l, static_cast<MPEG_mode>(s[kMp3ChannelMode]));
    if (s[kMp3VoicePreset]) {
        lame_set_lowpassfreq(l, 12000);
        lame_set_VBR_max_bitrate_kbps(l, 160);
    }
    if (s[kMp3FullBandwidth]) {
        lame_set_lowpassfreq(l, -1);
        lame_set_highpassfreq(l, 1);
    }
    lame_set_quality(l, s[kMp3EncodingQuality]);
    lame_set_VBR_q(l, s[kMp3VbrQuality]);
    // A refused configuration leaves LAME unusable; its encode calls then return a negative
    // code, which Encode reports as a failure that aborts the stream.
    (void)lame_init_params(l);
    lame_ = l;
    return S_OK;
}

HRESULT CMP3Encoder::Close() {
    std::lock_guard lock(mutex_);
    if (lame_) {
        lame_close(lame_);
        lame_ = nullptr;
    }
    return S_OK;
}

size_t CMP3Encoder::MaxFramesFor(size_t outBytes) {
    if (outBytes <= kLameSlackBytes) return 0;
    return (outBytes - kLameSlackBytes) * 4 / 5;
}

HRESULT CMP3Encoder::Encode(std::span<const uint8_t> pcm, std::span<uint8_t> out, size_t* consumed,
                            size_t* produced) {
    ClearUpperVectorState();
    if (!consumed || !produced) return E_POINTER;
    *consumed = 0;
    *produced = 0;
    std::lock_guard lock(mutex_);
    if (!lame_ || !inputKnown_) {
        *consumed = pcm.size();
        return S_OK;
    }
    const size_t channels = inputFormat_.nChannels;
    const size_t frameBytes = channels * inputFormat_.wBitsPerSample / 8;
    const size_t frames = pcm.size() / frameBytes;
    const size_t take = std::min(frames, MaxFramesFor(out.size()));
    if (frames == 0) {
        *consumed = pcm.size();
        return S_OK;
    }
    if (take == 0) return S_OK;  // the caller must offer a larger buffer

    const int n = static_cast<int>(take);
    const int outSize = static_cast<int>(std::min<size_t>(out.size(), INT32_MAX));
    auto* mp3 = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    if (channels == 2) {
        // Whatever the mode, LAME takes two input channels interleaved (its own split is the
        // same as for separate buffers).
        written = lame_encode_buffer_interleaved(
            lame_, const_cast<int16_t*>(Samples(pcm.data(), take * 2, aligned_)), n, mp3, outSize);
    } else {
        const int16_t* mono = Samples(pcm.data(), take, aligned_);
        // A mono input in stereo mode is fed to both channels.
        written = lame_encode_buffer(
            lame_, mono, settings_[kMp3ChannelMode] == STEREO ? mono : nullptr, n, mp3, outSize);
    }
    if (written < 0) return E_FAIL;  // a LAME error code, never a length
    *consumed = take == frames ? pcm.size() : take * frameBytes;
    *produced = static_cast<size_t>(written);
    return S_OK;
}

HRESULT CMP3Encoder::Flush(std::span<uint8_t> out, size_t* produced) {
    ClearUpperVectorState();
    if (!produced) return E_POINTER;
    *produced = 0;
    std::lock_guard lock(mutex_);
    if (!lame_) return S_OK;
    if (out.size() < kLameSlackBytes) return E_INVALIDARG;
    const int outSize = static_cast<int>(std::min<size_t>(out.size(), INT32_MAX));
    int written = lame_encode_flush(lame_, reinterpret_cast<unsigned char*>(out.data()), outSize);
    if (written < 0) return E_FAIL;
    *produced = static_cast<size_t>(written);
    return S_OK;
}

}  // namespace tarnel
