#include "platform/media/mpeg/MpegDecoderCore.h"
#include "framework/VectorState.h"

#include <mpg123.h>

#include <algorithm>
#include <mutex>

#include "platform/media/mpeg/MpegAudioFrame.h"

namespace tarnel::media {
namespace {

bool LibraryReady() {
    // mpg123_init is needed once per process before the first handle (a no-op in newer
    // versions, but harmless).
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = mpg123_init() == MPG123_OK; });
    return ready;
}

// True when the bit allocation of a whole Layer I frame fits in the frame: every subband with
// bits allocated carries a 6-bit scale factor and twelve samples, and allocation 15 is
// forbidden. libmpg123 hands out a frame of silence for a frame that does not fit.
bool LayerOneFrameFits(std::span<const uint8_t> frame, const MpegAudioFrame& header) {
    const size_t start = 4 + (header.crc ? 2 : 0);
    size_t bit = start * 8;
    auto read4 = [&] {
        const size_t byte = bit / 8;
        const unsigned value = byte < frame.size() ? frame[byte] : 0;
        const unsigned nibble = bit % 8 == 0 ? value >> 4 : value & 15;
        bit += 4;
        return nibble;
    };
    const unsigned mode = (frame[3] >> 6) & 3;
    const int channels = mode == 3 ? 1 : 2;
    // Joint stereo codes the upper subbands once for both channels.
    const int bound = mode == 1 ? 4 * (((frame[3] >> 4) & 3) + 1) : 32;
    size_t needed = bit;
    for (int sb = 0; sb < 32; ++sb) {
        const int coded = sb < bound ? channels : 1;
        for (int ch = 0; ch < coded; ++ch) {
            const unsigned allocation = read4();
            needed += 4;
            if (allocation == 15) return false;
            if (allocation == 0) continue;
            needed += 12 * (allocation + 1) + 6 * size_t(sb < bound ? 1 : channels);
        }
    }
    return needed <= size_t(header.frameBytes) * 8;
}

}  // namespace

void MpegDecoderCore::HandleDeleter::operator()(mpg123_handle_struct* h) const {
    mpg123_close(h);
    mpg123_delete(h);
}

MpegDecoderCore::MpegDecoderCore() = default;
MpegDecoderCore::~MpegDecoderCore() = default;

bool MpegDecoderCore::IsSupportedRate(long rate) {
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) {
        if (rates[i] == rate) return true;
    }
    return false;
}

bool MpegDecoderCore::Open(long rate, int channels) {
    Close();
    if (!LibraryReady() || (channels != 1 && channels != 2) || !IsSupportedRate(rate)) return false;
    int err = MPG123_OK;
    handle_.reset(mpg123_new(nullptr, &err));
    if (!handle_) return false;
    mpg123_handle* h = handle_.get();
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    // Only the output format, and no resampling: frames at another rate fail to decode and
    // are skipped (libmpg123 then also notes on stderr that it could not set up a format).
    // Its flexible-rate resampler would walk the whole length an info frame claims, so a
    // forged frame count could stall it. Frames with another channel count are mixed.
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0);
    if (mpg123_format_none(h) != MPG123_OK ||
        mpg123_format(h, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
            MPG123_OK) {
        handle_.reset();
        return false;
    }
    rate_ = rate;
    channels_ = channels;
    if (!Restart()) {
        handle_.reset();
        return false;
    }
    return true;
}

bool MpegDecoderCore::Restart() {
    if (!handle_) return false;
    fedWithoutOutput_ = 0;
    pending_.clear();
    tagBytesLeft_ = 0;
    betweenFrames_ = false;
    allowance_ = 0;
    return mpg123_open_feed(handle_.get()) == MPG123_OK;
}

void MpegDecoderCore::Close() {
    handle_.reset();
}

bool MpegDecoderCore::Feed(std::span<const uint8_t> bytes) {
    if (!handle_) return false;
    if (bytes.empty()) return true;
    if (fedWithoutOutput_ > kMaxFedWithoutOutput) {
        ++errors_;
        if (!Restart()) return false;
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    size_t at = 0;
    bool accepted = true;
    auto skip = [&](size_t n) {
        if (!betweenFrames_) ++errors_;
        betweenFrames_ = true;
        at += n;
    };
    while (at < pending_.size()) {
        const std::span<const uint8_t> rest(pending_.data() + at, pending_.size() - at);
        if (tagBytesLeft_ > 0) {
            const size_t n = size_t(std::min<uint64_t>(tagBytesLeft_, rest.size()));
            tagBytesLeft_ -= n;
            at += n;
            continue;
        }
        if (rest[0] != 0xFF && rest[0] != 'I') {
            // Nothing but a frame or a tag may start here; look for the next candidate.
            const auto next = std::find_if(rest.begin() + 1, rest.end(),
                                           [](uint8_t b) { return b == 0xFF || b == 'I'; });
            skip(size_t(next - rest.begin()));
            continue;
        }
        if (rest.size() < 10) break;  // a header or tag header may be cut here
        if (const size_t tag = Id3v2TagSize(rest)) {
            tagBytesLeft_ = tag;
            continue;
        }
        const auto frame = ParseMpegAudioHeader(rest);
        if (!frame) {
            skip(1);
            continue;
        }
        const size_t length = size_t(frame->frameBytes);
        if (rest.size() < length) break;
        const auto bytesOfFrame = rest.first(length);
        if (frame->sampleRate != rate_ ||
            (frame->layer == 1 && !LayerOneFrameFits(bytesOfFrame, *frame))) {
            ++errors_;
            betweenFrames_ = false;
            at += length;
            continue;
        }
        betweenFrames_ = false;
        at += length;
        allowance_ += uint64_t(frame->samplesPerFrame);
        fedWithoutOutput_ += length;
        if (mpg123_feed(handle_.get(), bytesOfFrame.data(), length) != MPG123_OK) accepted = false;
    }
    pending_.erase(pending_.begin(), pending_.begin() + long(at));
    return accepted;
}

MpegDecoderCore::Status MpegDecoderCore::Read(std::span<uint8_t> out, size_t* produced) {
    ClearUpperVectorState();
    *produced = 0;
    if (!handle_) return Status::NeedMore;
    const size_t frameBytes = size_t(BytesPerFrame());
    // Never more than the frames fed can give, whatever libmpg123 makes of them.
    const size_t room =
        size_t(std::min<uint64_t>(out.size() / frameBytes, allowance_)) * frameBytes;
    if (room == 0) return Status::NeedMore;
    // A few format announcements may come before audio; never loop on them forever.
    for (int i = 0; i < 8; ++i) {
        size_t done = 0;
        const int rc = mpg123_read(handle_.get(), out.data(), room, &done);
        *produced = done;
        allowance_ -= std::min<uint64_t>(allowance_, done / frameBytes);
        if (done > 0) fedWithoutOutput_ = 0;
        switch (rc) {
            case MPG123_OK:
                return done > 0 ? Status::Output : Status::NeedMore;
            case MPG123_NEW_FORMAT: {
                if (done > 0) return Status::Output;
                long rate = 0;
                int channels = 0, encoding = 0;
                mpg123_getformat(handle_.get(), &rate, &channels, &encoding);
                if (rate == rate_ && channels == channels_) continue;
                // Another output format than ours cannot happen with the format table above;
                // should it, the bytes are dropped rather than delivered as something else.
                ++errors_;
                Restart();
                return Status::Error;
            }
            case MPG123_NEED_MORE:
            case MPG123_DONE:
                return Status::NeedMore;
            default:
                ++errors_;
                Restart();
                return Status::Error;
        }
    }
    return Status::NeedMore;
}

}  // namespace tarnel::media
