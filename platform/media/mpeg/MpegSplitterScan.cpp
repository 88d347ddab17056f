#include "platform/media/mpeg/MpegSplitterScan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "framework/ByteOrder.h"

namespace tarnel::media {
namespace {

constexpr size_t kCacheBytes = 64 * 1024;
// ID3v2 tags in a row at the start (some files carry more than one).
constexpr int kMaxLeadingTags = 16;
constexpr int kMaxTrailingTags = 8;

bool ReadExact(ByteSource& source, uint64_t offset, std::span<uint8_t> out) {
    if (offset > source.Size() || out.size() > source.Size() - offset) return false;
    return source.ReadAt(offset, out);
}

// Bytes of side information after the header (and CRC) of a Layer III frame.
size_t SideInfoBytes(const MpegAudioFrame& f) {
    if (f.version == 1) return f.channels == 1 ? 17 : 32;
    return f.channels == 1 ? 9 : 17;
}

}  // namespace

uint64_t MpegStreamLayout::PlayableSamples() const {
    const uint64_t all = audioFrames * uint64_t(format.samplesPerFrame);
    uint64_t trimmed = 0;
    if (info) trimmed = uint64_t(info->encoderDelay.value_or(0)) + info->encoderPadding.value_or(0);
    return all > trimmed ? all - trimmed : 0;
}

uint64_t TrailingTagBytes(ByteSource& source, uint64_t size) {
    uint64_t end = std::min(size, source.Size());
    for (int i = 0; i < kMaxTrailingTags; ++i) {
        std::array<uint8_t, 32> b{};
        if (end >= 128 && ReadExact(source, end - 128, std::span(b.data(), 3)) &&
            std::memcmp(b.data(), "TAG", 3) == 0) {
            end -= 128;
            continue;
        }
        if (end >= 32 && ReadExact(source, end - 32, b) &&
            std::memcmp(b.data(), "APETAGEX", 8) == 0) {
            // The size covers the items and this footer; a header of 32 bytes may precede them.
            const uint64_t tag = ReadLe32(b.data() + 12);
            const bool hasHeader = (ReadLe32(b.data() + 20) & 0x80000000u) != 0;
            const uint64_t whole = tag + (hasHeader ? 32 : 0);
            if (tag >= 32 && whole <= end) {
                end -= whole;
                continue;
            }
        }
        if (end >= 15 && ReadExact(source, end - 15, std::span(b.data(), 15)) &&
            std::memcmp(b.data() + 6, "LYRICS200", 9) == 0 &&
            std::all_of(b.begin(), b.begin() + 6, [](uint8_t c) { return std::isdigit(c); })) {
            uint64_t body = 0;
            for (int d = 0; d < 6; ++d) body = body * 10 + uint64_t(b[size_t(d)] - '0');
            if (body + 15 <= end) {
                end -= body + 15;
                continue;
            }
        }
        break;
    }
    return size - end;
}

std::optional<MpegInfoFrame> ReadInfoFrame(ByteSource& source, uint64_t offset,
                                           const MpegAudioFrame& frame) {
    if (frame.layer != 3) return std::nullopt;
    std::vector<uint8_t> bytes(size_t(frame.frameBytes));
    if (!ReadExact(source, offset, bytes)) return std::nullopt;
    size_t x = 4 + (frame.crc ? 2 : 0) + SideInfoBytes(frame);
    if (x + 8 > bytes.size()) return std::nullopt;
    const uint8_t* p = bytes.data();
    if (std::memcmp(p + x, "Xing", 4) != 0 && std::memcmp(p + x, "Info", 4) != 0) {
        return std::nullopt;
    }
    MpegInfoFrame info;
    info.offset = offset;
    info.bytes = uint32_t(frame.frameBytes);
    const uint32_t flags = ReadBe32(p + x + 4);
    size_t q = x + 8;
    if (flags & 1) {
        if (q + 4 > bytes.size()) return info;
        info.frames = ReadBe32(p + q);
        q += 4;
    }
    if (flags & 2) q += 4;    // byte count
    if (flags & 4) q += 100;  // table of contents
    if (flags & 8) q += 4;    // quality
    // The LAME tag: a 9-byte encoder name, then at byte 21 the delay and padding, 12 bits each.
    if (q + 24 > bytes.size()) return info;
    if (!std::all_of(p + q, p + q + 4, [](uint8_t c) { return std::isalnum(c) != 0; })) {
        return info;
    }
    info.encoderDelay = (uint32_t(p[q + 21]) << 4) | (p[q + 22] >> 4);
    info.encoderPadding = (uint32_t(p[q + 22] & 0x0F) << 8) | p[q + 23];
    return info;
}

// ---- walker ----

MpegFrameWalker::MpegFrameWalker(ByteSource& source, const MpegAudioFrame& reference,
                                 uint64_t audioEnd)
    : source_(source), reference_(reference), end_(std::min(audioEnd, source.Size())) {}

bool MpegFrameWalker::Read(uint64_t offset, std::span<uint8_t> out) {
    if (offset > end_ || out.size() > end_ - offset) return false;
    if (offset >= cacheStart_ && offset + out.size() <= cacheStart_ + cacheLength_) {
        std::memcpy(out.data(), cache_.data() + (offset - cacheStart_), out.size());
        return true;
    }
    if (out.size() > kCacheBytes) return source_.ReadAt(offset, out);
    cache_.resize(kCacheBytes);
    const size_t want = size_t(std::min<uint64_t>(kCacheBytes, end_ - offset));
    if (!source_.ReadAt(offset, std::span(cache_.data(), want))) {
        cacheLength_ = 0;
        return false;
    }
    cacheStart_ = offset;
    cacheLength_ = want;
    std::memcpy(out.data(), cache_.data(), out.size());
    return true;
}

std::optional<MpegAudioFrame> MpegFrameWalker::HeaderAt(uint64_t offset) {
    std::array<uint8_t, 4> h{};
    if (!Read(offset, h)) return std::nullopt;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return std::nullopt;
    return ParseMpegAudioHeader(h);
}

bool MpegFrameWalker::Matches(const MpegAudioFrame& f) const {
    return f.version == reference_.version && f.layer == reference_.layer &&
           f.sampleRate == reference_.sampleRate;
}

bool MpegFrameWalker::IsGoodFrame(uint64_t offset, int lookahead) {
    uint64_t q = offset;
    for (int i = 0; i <= lookahead; ++i) {
        auto h = HeaderAt(q);
        if (!h || !Matches(*h)) return false;
        q += uint64_t(h->frameBytes);
        if (q > end_) return false;  // cut short by the end of the file
        if (q + 4 > end_) return true;
    }
    return true;
}

std::optional<MpegFrameWalker::Frame> MpegFrameWalker::FrameAtOrAfter(uint64_t offset,
                                                                      int lookahead) {
    // Where the previous frame ended, a frame that is whole and of this stream is enough:
    // it does not depend on what follows (the last frame before junk or a cut still counts).
    if (IsGoodFrame(offset, 0)) return Frame{offset, *HeaderAt(offset)};
    for (uint64_t p = offset + 1; p + 4 <= end_; ++p) {
        if (IsGoodFrame(p, lookahead)) {
            auto h = HeaderAt(p);
            return Frame{p, *h};
        }
    }
    return std::nullopt;
}

// ---- whole-file scan ----

std::optional<MpegStreamLayout> ScanMpegStream(ByteSource& source) {
    const uint64_t size = source.Size();
    if (size < 4) return std::nullopt;
    const uint64_t end = size - TrailingTagBytes(source, size);

    // Leading ID3v2 tags. A tag claiming more bytes than the file has is damaged: look for
    // audio right after its header instead.
    uint64_t p = 0;
    bool afterTag = true;
    for (int i = 0; i < kMaxLeadingTags; ++i) {
        std::array<uint8_t, 10> head{};
        if (!ReadExact(source, p, head)) break;
        const size_t tag = Id3v2TagSize(head);
        if (tag == 0) break;
        if (p + tag <= end) {
            p += tag;
        } else {
            p += head.size();
            afterTag = false;
            break;
        }
    }

    // The first good frame: two frames in a row right after the tags, three after junk.
    std::optional<MpegFrameWalker::Frame> first;
    MpegFrameWalker walker(source, MpegAudioFrame{}, end);
    for (uint64_t q = p; q + 4 <= end && !first; ++q) {
        std::array<uint8_t, 4> h{};
        if (!walker.Read(q, h) || h[0] != 0xFF) continue;
        auto header = ParseMpegAudioHeader(h);
        if (!header) continue;
        walker.SetReference(*header);
        if (walker.IsGoodFrame(q, q == p && afterTag ? 1 : 2)) first = {q, *header};
    }
    if (!first) return std::nullopt;
    walker.SetReference(first->header);

    MpegStreamLayout layout;
    layout.fileSize = size;
    layout.audioStart = first->offset;
    layout.audioEnd = end;
    layout.format = first->header;
    layout.info = ReadInfoFrame(source, first->offset, first->header);
    layout.firstAudioFrame =
        layout.info ? first->offset + uint64_t(first->header.frameBytes) : first->offset;

    uint64_t pos = layout.firstAudioFrame;
    uint64_t frames = 0;
    while (auto frame = walker.FrameAtOrAfter(pos)) {
        if (frames == 0) {
            layout.format = frame->header;
            layout.firstAudioFrame = frame->offset;
        } else if (frame->offset != pos) {
            ++layout.resyncs;
        }
        if (frames % MpegStreamLayout::kSeekPointInterval == 0) {
            layout.seekPoints.push_back({frames, frame->offset});
        }
        ++frames;
        pos = frame->offset + uint64_t(frame->header.frameBytes);
    }
    layout.audioFrames = frames;
    return layout;
}

}  // namespace tarnel::media
