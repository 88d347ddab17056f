#include <gtest/gtest.h>

#include "framework/Guids.h"
#include "framework/MediaTimeSeeking.h"
#include "framework/ParserOutputPin.h"

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

// A parser pin whose stream is a pair of times; `loaded` false plays "no file".
class ScriptedParserPin final : public CParserOutputPin {
public:
    explicit ScriptedParserPin(CSource* filter)
        : CParserOutputPin("Out", filter, filter->StateLock(), nullptr) {}
    bool loaded = true;
    REFERENCE_TIME current = 1'000, stop = 9'000;  // what a request is relative to
    SeekPositions asked;                           // what MoveSegment was given

    HRESULT GetDuration(int64_t*) override { return E_NOTIMPL; }
    HRESULT GetStopPosition(int64_t*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(int64_t*) override { return E_NOTIMPL; }

private:
    std::vector<CMediaType> OutputTypes() const override {
        if (!loaded) return {};
        return {CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)};
    }
    std::optional<BufferNeed> BufferNeeds() const override { return std::nullopt; }
    HRESULT StartSegment(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_UNEXPECTED; }
    HRESULT FillSample(IMediaSample*) override { return S_FALSE; }
    HRESULT SeekReference(REFERENCE_TIME* c, REFERENCE_TIME* s) override {
        if (!loaded) return VFW_E_NOT_CONNECTED;
        *c = current;
        *s = stop;
        return S_OK;
    }
    void MoveSegment(const SeekPositions& to, REFERENCE_TIME* start, REFERENCE_TIME* end) override {
        asked = to;
        *start = to.start + 1;  // "fitted" to the stream
        *end = to.stop + 1;
    }
};

TEST(MediaTimeSeekingTest, ParserPinResolvesSeeksFromItsReferenceAndReturnsWhatWasTaken) {
    CSource filter("parser", GUID_NULL);
    ScriptedParserPin pin(&filter);
    int64_t start = 500, stop = 2'000;
    ASSERT_EQ(pin.SetPositions(&start, AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime,
                               &stop, AM_SEEKING_IncrementalPositioning),
              S_OK);
    EXPECT_EQ(pin.asked.start, 1'500);  // relative to the current position
    EXPECT_EQ(pin.asked.stop, 3'500);   // incremental: after the new start
    EXPECT_TRUE(pin.asked.movesStart && pin.asked.movesStop);
    EXPECT_EQ(start, 1'501) << "the taken start is returned";
    EXPECT_EQ(stop, 2'000) << "no ReturnTime, no write";

    EXPECT_EQ(pin.SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0), E_POINTER);
    pin.loaded = false;
    EXPECT_EQ(pin.SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0),
              VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin.asked.start, 1'500) << "a refused seek moves nothing";

    CMediaType type;
    EXPECT_EQ(pin.GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS);
    pin.loaded = true;
    EXPECT_EQ(pin.GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(pin.GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(pin.GetMediaType(-1, &type), E_INVALIDARG);
    ALLOCATOR_PROPERTIES wishes;
    EXPECT_EQ(pin.DecideBufferSize(nullptr, &wishes), E_POINTER);
    EXPECT_EQ(Query<IMediaSeeking>(static_cast<IPin*>(&pin)), static_cast<IMediaSeeking*>(&pin));
}

}  // namespace
}  // namespace tarnel
