#include "platform/media/files/ContentSniffer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/media/mpeg/MpegAudioFrame.h"

namespace tarnel::media {
namespace {

constexpr uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

bool StartsWith(std::span<const uint8_t> b, const char* text, size_t at = 0) {
    const size_t n = std::strlen(text);
    return b.size() >= at + n && std::memcmp(b.data() + at, text, n) == 0;
}

bool SameStream(const MpegAudioFrame& a, const MpegAudioFrame& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// Counts the frames that chain from `at`: each header must follow the previous frame exactly and
// agree on version, layer and rate. A frame that runs past the end of the bytes counts when its
// header was valid.
int ChainedFrames(std::span<const uint8_t> b, size_t at, int wanted) {
    auto first = ParseMpegAudioHeader(b.subspan(at));
    if (!first) return 0;
    int count = 1;
    size_t pos = at + size_t(first->frameBytes);
    while (count < wanted && pos + 4 <= b.size()) {
        auto next = ParseMpegAudioHeader(b.subspan(pos));
        if (!next || !SameStream(*first, *next)) return 0;
        ++count;
        pos += size_t(next->frameBytes);
    }
    return count;
}

bool LooksLikeMpegAudio(std::span<const uint8_t> b) {
    if (Id3v2TagSize(b) != 0) return true;
    // At the very start two chained frames are enough; later on, three.
    if (ChainedFrames(b, 0, 2) >= 2) return true;
    for (size_t at = 1; at + 4 <= b.size(); ++at) {
        if (b[at] != 0xFF || (b[at + 1] & 0xE0) != 0xE0) continue;
        if (ChainedFrames(b, at, 3) >= 3) return true;
    }
    return false;
}

}  // namespace

ContentKind SniffContent(std::span<const uint8_t> head) {
    if (StartsWith(head, "RIFF") && StartsWith(head, "WAVE", 8)) return ContentKind::Wave;
    if (StartsWith(head, "OggS") && head.size() > 4 && head[4] == 0) return ContentKind::Ogg;
    if (head.size() >= 16 && std::memcmp(head.data(), kAsfHeaderGuid, 16) == 0) {
        return ContentKind::Asf;
    }
    if (LooksLikeMpegAudio(head)) return ContentKind::MpegAudio;
    return ContentKind::Unknown;
}

ContentKind ContentKindFromExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".wav") return ContentKind::Wave;
    if (ext == ".mp3" || ext == ".mp2" || ext == ".mpa") return ContentKind::MpegAudio;
    if (ext == ".ogg" || ext == ".oga") return ContentKind::Ogg;
    if (ext == ".wma" || ext == ".asf") return ContentKind::Asf;
    return ContentKind::Unknown;
}

const char* ContentKindName(ContentKind kind) {
    switch (kind) {
        case ContentKind::Wave:
            return "WAVE";
        case ContentKind::MpegAudio:
            return "MPEG audio";
        case ContentKind::Ogg:
            return "Ogg";
        case ContentKind::Asf:
            return "ASF";
        case ContentKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace tarnel::media
