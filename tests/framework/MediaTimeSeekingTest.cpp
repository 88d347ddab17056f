#include <gtest/gtest.h>

#include "framework/Guids.h"
#include "framework/MediaTimeSeeking.h"

namespace tarnel {
namespace {

// The pin-specific part answers from fixed values; the mix-in supplies the rest.
class FixedSeeking final : public CMediaTimeSeeking {
public:
    explicit FixedSeeking(uint32_t caps, HRESULT durationResult = S_OK)
        : CMediaTimeSeeking(caps), durationResult_(durationResult) {}
    void* QueryInterface(const GUID& iid) override {
        return iid == IMediaSeeking::IID ? static_cast<IMediaSeeking*>(this) : nullptr;
    }
    HRESULT GetDuration(int64_t* duration) override {
        if (FAILED(durationResult_)) return durationResult_;
        *duration = 12'345'678;
        return S_OK;
    }
    HRESULT GetStopPosition(int64_t*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(int64_t*) override { return E_NOTIMPL; }
    HRESULT SetPositions(int64_t*, uint32_t, int64_t*, uint32_t) override { return E_NOTIMPL; }
    HRESULT GetPositions(int64_t*, int64_t*) override { return E_NOTIMPL; }

private:
    HRESULT durationResult_;
};

constexpr uint32_t kCaps =
    AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetStopPos;

TEST(MediaTimeSeekingTest, CapabilitiesComeFromTheMask) {
    FixedSeeking seeking(kCaps);
    uint32_t caps = 0;
    EXPECT_EQ(seeking.GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, kCaps);
    EXPECT_EQ(seeking.GetCapabilities(nullptr), E_POINTER);

    caps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
    EXPECT_EQ(seeking.CheckCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration);

    caps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanPlayBackwards;
    EXPECT_EQ(seeking.CheckCapabilities(&caps), S_FALSE);
    EXPECT_EQ(caps, AM_SEEKING_CanSeekAbsolute);

    caps = AM_SEEKING_CanPlayBackwards | AM_SEEKING_CanDoSegments;
    EXPECT_EQ(seeking.CheckCapabilities(&caps), E_FAIL);
    EXPECT_EQ(caps, 0u);
    EXPECT_EQ(seeking.CheckCapabilities(nullptr), E_POINTER);
}

TEST(MediaTimeSeekingTest, OnlyMediaTimeIsAcceptedAndConverted) {
    FixedSeeking seeking(kCaps);
    EXPECT_EQ(seeking.IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking.IsFormatSupported(&TIME_FORMAT_BYTE), S_FALSE);
    EXPECT_EQ(seeking.IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking.IsUsingTimeFormat(&TIME_FORMAT_SAMPLE), S_FALSE);
    EXPECT_EQ(seeking.IsUsingTimeFormat(nullptr), E_POINTER);
    EXPECT_EQ(seeking.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking.SetTimeFormat(&TIME_FORMAT_FRAME), E_INVALIDARG);
    EXPECT_EQ(seeking.SetTimeFormat(nullptr), E_POINTER);

    GUID format = TIME_FORMAT_NONE;
    EXPECT_EQ(seeking.GetTimeFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    format = TIME_FORMAT_NONE;
    EXPECT_EQ(seeking.QueryPreferredFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);

    // A null format stands for the current one (media time).
    int64_t target = 0;
    EXPECT_EQ(seeking.ConvertTimeFormat(&target, nullptr, 42, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(target, 42);
    EXPECT_EQ(seeking.ConvertTimeFormat(&target, &TIME_FORMAT_BYTE, 7, nullptr), E_INVALIDARG);
    EXPECT_EQ(target, 42);
    EXPECT_EQ(seeking.ConvertTimeFormat(nullptr, nullptr, 7, nullptr), E_POINTER);
}

TEST(MediaTimeSeekingTest, RatePrerollAndAvailableRange) {
    FixedSeeking seeking(kCaps);
    EXPECT_EQ(seeking.SetRate(1.0), S_OK);
    EXPECT_EQ(seeking.SetRate(2.0), E_INVALIDARG);
    double rate = 0;
    EXPECT_EQ(seeking.GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    int64_t preroll = -1;
    EXPECT_EQ(seeking.GetPreroll(&preroll), S_OK);
    EXPECT_EQ(preroll, 0);

    int64_t earliest = -1, latest = -1;
    EXPECT_EQ(seeking.GetAvailable(&earliest, &latest), S_OK);
    EXPECT_EQ(earliest, 0);
    EXPECT_EQ(latest, 12'345'678);
    EXPECT_EQ(seeking.GetAvailable(&earliest, nullptr), E_POINTER);

    // Without a duration (nothing loaded) the pin's failure comes through unchanged.
    FixedSeeking empty(kCaps, VFW_E_NOT_CONNECTED);
    EXPECT_EQ(empty.GetAvailable(&earliest, &latest), VFW_E_NOT_CONNECTED);
}

}  // namespace
}  // namespace tarnel
