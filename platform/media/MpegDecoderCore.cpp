#include "platform/media/MpegDecoderCore.h"
#include "framework/VectorState.h"

#include <mpg123.h>

#include <mutex>

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
    fedWithoutOutput_ += bytes.size();
    return mpg123_feed(handle_.get(), bytes.data(), bytes.size()) == MPG123_OK;
}

MpegDecoderCore::Status MpegDecoderCore::Read(std::span<uint8_t> out, size_t* produced) {
    ClearUpperVectorState();
    *produced = 0;
    if (!handle_) return Status::NeedMore;
    const size_t frameBytes = size_t(BytesPerFrame());
    const size_t room = out.size() / frameBytes * frameBytes;
    // A few format announcements may come before audio; never loop on them forever.
    for (int i = 0; i < 8; ++i) {
        size_t done = 0;
        const int rc = mpg123_read(handle_.get(), out.data(), room, &done);
        *produced = done;
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
