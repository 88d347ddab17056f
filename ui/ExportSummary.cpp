#include "ui/ExportSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "settings/ExportFormat.h"
#include "settings/SettingsStore.h"
#include "wma/ProfileEnumerator.h"

namespace tarnel::ui {

namespace {

// printf into a std::string: the summary texts are printf formats with %d and %s.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

constexpr int32_t kFormatWma = static_cast<int32_t>(ExportFormat::Wma);
constexpr int32_t kFormatMp3 = static_cast<int32_t>(ExportFormat::Mp3);
constexpr int32_t kFormatOgg = static_cast<int32_t>(ExportFormat::Ogg);
constexpr int32_t kFormatWav = static_cast<int32_t>(ExportFormat::Wav);

const char* YesNo(int flag) {
    return flag ? "Yes" : "No";
}
const char* ChannelWord(int channels) {
    return channels == 1 ? "Mono" : "Stereo";
}

std::string QualityLine(int32_t v) {
    const char* words = nullptr;
    switch (v) {
        case 0:
        case 1:
            words = "Best, slow";
            break;
        case 2:
        case 3:
            words = "Near-best, not too slow";
            break;
        case 4:
        case 5:
            words = "Good, fast";
            break;
        case 6:
        case 7:
            words = "Decent, very fast";
            break;
        case 8:
        case 9:
            words = "Low, lightning fast";
            break;
        default:
            return {};
    }
    return Format("Encoding Quality: %s [%d]", words, v);
}

std::string SamplingLines(int32_t rate, const char* channelWord) {
    return Format("Sampling Rate: %d Hz\n\nChannel Mode: %s\n\n", rate, channelWord);
}

// The quality as a whole number, truncated; a damaged record cannot overflow the conversion.
int TruncatedQuality(double quality) {
    if (!std::isfinite(quality)) return 0;
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(quality), -limit, limit));
}

}  // namespace

std::string Mp3SummaryText(const Mp3Settings& s) {
    const bool cbr = s.constantBitrate == 1;
    std::string text = Format("Format: MPEG Layer III [MP3]\n\nBitrate Mode: %s\n\n%s\n\n",
                              cbr ? "CBR" : "VBR", QualityLine(s.encodingQuality).c_str());
    if (cbr) {
        text += Format("Constant Bitrate: %d kbps\n\n", s.cbrBitrate);
    } else {
        text +=
            Format("Minimum Bitrate: %d kbps\n\nMaximum Bitrate: %d kbps\n\nVBR Quality: %d\n\n",
                   s.minBitrate, s.maxBitrate, s.vbrQuality);
    }
    const char* mode = s.channelMode == 0 ? "Mono" : s.channelMode == 1 ? "Stereo" : "Joint Stereo";
    text += SamplingLines(s.sampleRate, mode);
    text += Format("Copyright tag: %s\n\nOriginal tag: %s\n\nCRC Check: %s", YesNo(s.copyright),
                   YesNo(s.original), YesNo(s.crc));
    return text;
}

std::string OggSummaryText(const OggSettings& s) {
    const char* channels = ChannelWord(s.channels);
    if (s.qualityBased) {
        return Format(
                   "Format: Ogg-Vorbis\n\nEncoder Strategy: Quality Based\n\n"
                   "Ogg Quality: %d\nNote: 100 is the highest quality\n\n",
                   TruncatedQuality(s.quality)) +
               SamplingLines(s.sampleRate, channels);
    }
    std::string mode;
    switch (s.bitrateMode) {
        case 0:
            mode = Format(
                "Mode: True VBR\n\nMinimum Bitrate: %d kbps\n\n"
                "Average Bitrate: %d kbps\n\nMaximum Bitrate: %d kbps\n\n",
                s.minBitrate, s.avgBitrate, s.maxBitrate);
            break;
        case 1:
            mode = Format("Mode: Auto VBR\n\nAverage Bitrate: %d kbps\n\n", s.avgBitrate);
            break;
        case 2:
            mode = Format("Mode: Average Bitrate [ABR]\n\nBitrate: %d kbps\n\n", s.avgBitrate);
            break;
        case 3:
            mode = Format("Mode: Constant Bitrate [CBR]\n\nBitrate: %d kbps\n\n", s.avgBitrate);
            break;
        default:
            return {};
    }
    return "Format: Ogg-Vorbis\n\nEncoder Strategy: Bitrate Based\n\n" + mode +
           SamplingLines(s.sampleRate, channels);
}

std::string WavSummaryText(const WavSettings& s) {
    if (s.compressorIndex != -1) {
        return "Format: Microsoft WAV\n\nCompressed: Yes\n\nCompressor Name: " + s.CompressorName();
    }
    return Format(
        "Format: Microsoft WAV\n\nCompressed: No\n\nSampling Rate: %d Hz\n\nChannel Mode: %s\n\n"
        "Sample Size: %d bits/sample",
        s.sampleRate, ChannelWord(s.channels), s.bitsPerSample);
}

std::string WmaSummaryText(const WmaSettings& s, ProfileEnumerator& wmaCodecs) {
    std::string codecName;
    std::string formatName;
    std::vector<std::string> names;
    wmaCodecs.GetCodecNames(names);
    if (s.codecIndex >= 0 && static_cast<size_t>(s.codecIndex) < names.size()) {
        codecName = names[static_cast<size_t>(s.codecIndex)];
        WmaFormatMap formats;
        wmaCodecs.GetFormats(formats);
        const auto [first, last] = formats.equal_range(codecName);
        for (auto it = first; it != last; ++it) {
            if (it->second.formatIndex == s.formatIndex && (!s.vbr || it->second.vbr)) {
                formatName = it->second.description;
                break;
            }
        }
    }
    return Format(
        "Format: Windows Media Audio [WMA]\n\nBitrate Mode: %s\n\nCodec Name: %s\n\nFormat: %s",
        s.vbr ? "VBR" : "CBR", codecName.c_str(), formatName.c_str());
}

std::string BuildExportSummary(ProfileEnumerator& wmaCodecs) {
    SettingsStore store;
    int32_t format = kFormatMp3;
    if (!store.ReadFormat(format)) format = kFormatMp3;
    switch (format) {
        case kFormatWma: {
            WmaSettings s;
            (void)store.ReadWmaSettings(s);  // a missing record shows the defaults
            return WmaSummaryText(s, wmaCodecs);
        }
        case kFormatMp3: {
            Mp3Settings s;
            (void)store.ReadMp3Settings(s);
            return Mp3SummaryText(s);
        }
        case kFormatOgg: {
            OggSettings s;
            (void)store.ReadOggSettings(s);
            return OggSummaryText(s);
        }
        case kFormatWav: {
            WavSettings s;
            (void)store.ReadWavSettings(s);
            return WavSummaryText(s);
        }
        default:
            return {};
    }
}

}  // namespace tarnel::ui
