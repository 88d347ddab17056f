#pragma once
// The MP3 encoder's settings block: 20 signed 32-bit words, stored and exchanged as 80
// little-endian bytes (the form IMP3AudioEncProperties::GetSettingsBlock hands out).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnel {

// Position of each setting in the block.
enum Mp3SettingWord : int {
    kMp3OutputSampleRate = 0,  // Hz; 0 lets LAME choose
    kMp3Bitrate = 1,           // kbit/s
    kMp3VbrMode = 2,           // 0 off (vbr_off), 2 on (vbr_rh)
    kMp3VbrMinBitrate = 3,     // kbit/s
    kMp3VbrMaxBitrate = 4,     // kbit/s
    kMp3EncodingQuality = 5,   // 0 best .. 9 fastest
    kMp3VbrQuality = 6,        // 0 .. 9
    kMp3Spare7 = 7,            // no accessor
    kMp3ChannelMode = 8,       // LAME numbering: 0 stereo, 1 joint, 2 dual channel, 3 mono
    kMp3ForceMidSide = 9,
    kMp3ErrorProtection = 10,  // CRC
    kMp3Copyright = 11,
    kMp3Original = 12,
    kMp3VbrHardMinimum = 13,
    kMp3VoicePreset = 14,    // lowpass 12 kHz, VBR maximum 160 kbit/s
    kMp3FullBandwidth = 15,  // no lowpass, highpass 1 Hz
    kMp3StrictIso = 16,
    kMp3Spare17 = 17,       // no accessor
    kMp3SpareSetting = 18,  // accessors, not used by the encoder
    kMp3SpareSetting2 = 19,
};

struct Mp3EncSettings {
    static constexpr size_t kWords = 20;
    static constexpr size_t kBytes = kWords * 4;

    std::array<int32_t, kWords> words{};

    int32_t& operator[](Mp3SettingWord w) { return words[static_cast<size_t>(w)]; }
    int32_t operator[](Mp3SettingWord w) const { return words[static_cast<size_t>(w)]; }

    std::array<uint8_t, kBytes> ToBytes() const {
        std::array<uint8_t, kBytes> out{};
        for (size_t i = 0; i < kWords; ++i) {
            const auto v = static_cast<uint32_t>(words[i]);
            for (size_t b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<uint8_t>(v >> (8 * b));
        }
        return out;
    }
    // bytes must hold kBytes bytes.
    static Mp3EncSettings FromBytes(std::span<const uint8_t, kBytes> bytes) {
        Mp3EncSettings s;
        for (size_t i = 0; i < kWords; ++i) {
            uint32_t v = 0;
            for (size_t b = 0; b < 4; ++b) v |= uint32_t{bytes[i * 4 + b]} << (8 * b);
            s.words[i] = static_cast<int32_t>(v);
        }
        return s;
    }

    friend bool operator==(const Mp3EncSettings&, const Mp3EncSettings&) = default;
};

}  // namespace tarnel
