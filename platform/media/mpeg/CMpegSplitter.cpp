#include "platform/media/mpeg/CMpegSplitter.h"

#include <algorithm>

#include "framework/MediaSample.h"
#include "platform/media/mpeg/MpegSplitterFormat.h"

namespace tarnel::media {

// ---- output pin ----

CMpegSplitterOutputPin::CMpegSplitterOutputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr)
    : CParserOutputPin("Audio", filter, lock, hr), splitter_(filter) {}

CMpegSplitterOutputPin::~CMpegSplitterOutputPin() {
    // The thread calls our FillSample: stop it while this object is whole.
    EndThreadNow();
}

const MpegStreamLayout* CMpegSplitterOutputPin::Layout() const {
    const auto& layout = splitter_->Layout();
    return layout ? &*layout : nullptr;
}

int64_t CMpegSplitterOutputPin::TimeOfFrame(uint64_t frame) const {
    const MpegStreamLayout* l = Layout();
    if (!l || l->format.sampleRate <= 0) return 0;
    return SamplesToRefTime(int64_t(frame * uint64_t(l->format.samplesPerFrame)),
                            l->format.sampleRate);
}

uint64_t CMpegSplitterOutputPin::FrameOfTime(int64_t time) const {
    const MpegStreamLayout* l = Layout();
    if (!l || time <= 0 || l->format.samplesPerFrame <= 0) return 0;
    const unsigned __int128 samples = (unsigned __int128)time * uint64_t(l->format.sampleRate);
    const uint64_t frame =
        uint64_t(samples / ((unsigned __int128)UNITS * uint64_t(l->format.samplesPerFrame)));
    return std::min(frame, l->audioFrames);
}

void CMpegSplitterOutputPin::ResetPositions() {
    const MpegStreamLayout* l = Layout();
    startFrame_ = 0;
    nextFrame_ = 0;
    stopFrame_ = l ? l->audioFrames : 0;
}

std::vector<CMediaType> CMpegSplitterOutputPin::OutputTypes() const {
    const MpegStreamLayout* l = Layout();
    if (!l) return {};
    return {MpegSplitterOutputType(l->format)};
}

std::optional<CParserOutputPin::BufferNeed> CMpegSplitterOutputPin::BufferNeeds() const {
    return BufferNeed{.count = kBufferCount, .bytes = kBufferBytes};
}

HRESULT CMpegSplitterOutputPin::StartSegment(REFERENCE_TIME* segmentStart,
                                             REFERENCE_TIME* segmentStop) {
    const MpegStreamLayout* l = Layout();
    IAsyncReader* reader = splitter_->InputPin()->Reader();
    if (!l || !reader) return E_UNEXPECTED;
    source_ = std::make_unique<AsyncReaderByteSource>(reader, l->fileSize);
    walker_ = std::make_unique<MpegFrameWalker>(*source_, l->format, l->audioEnd);

    // From the nearest seek point at or before the start, walk to the start frame.
    const uint64_t start = std::min<uint64_t>(startFrame_, l->audioFrames);
    auto point = std::upper_bound(l->seekPoints.begin(), l->seekPoints.end(), start,
                                  [](uint64_t f, const MpegSeekPoint& p) { return f < p.frame; });
    uint64_t frame = 0;
    uint64_t offset = l->firstAudioFrame;
    if (point != l->seekPoints.begin()) {
        --point;
        frame = point->frame;
        offset = point->offset;
    }
    while (frame < start) {
        auto f = walker_->FrameAtOrAfter(offset);
        if (!f) break;
        offset = f->offset + uint64_t(f->header.frameBytes);
        ++frame;
    }
    nextOffset_ = offset;
    nextFrame_ = frame;
    sendInfoFrame_ = l->info.has_value() && start == 0;
    *segmentStart = TimeOfFrame(start);
    *segmentStop = TimeOfFrame(stopFrame_);
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::OnThreadDestroy() {
    walker_.reset();
    source_.reset();
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::FillSample(IMediaSample* sample) {
    const MpegStreamLayout* l = Layout();
    if (!l || !walker_) return E_UNEXPECTED;
    uint8_t* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    const size_t capacity = size_t(std::max(sample->GetSize(), 0));
    size_t used = 0;

    if (sendInfoFrame_) {
        sendInfoFrame_ = false;
        const size_t bytes = l->info->bytes;
        if (bytes <= capacity && walker_->Read(l->info->offset, std::span(buffer, bytes))) {
            used = bytes;
        }
    }
    const uint64_t first = nextFrame_;
    const uint64_t stop = stopFrame_;
    uint64_t frames = 0;
    while (first + frames < stop) {
        auto f = walker_->FrameAtOrAfter(nextOffset_);
        if (!f) break;
        const size_t bytes = size_t(f->header.frameBytes);
        if (used + bytes > capacity) break;
        if (!walker_->Read(f->offset, std::span(buffer + used, bytes))) break;
        used += bytes;
        nextOffset_ = f->offset + bytes;
        ++frames;
    }
    if (FAILED(source_->failure())) return source_->failure();
    if (frames == 0) return S_FALSE;
    nextFrame_ = first + frames;

    const int64_t base = TimeOfFrame(startFrame_);
    int64_t start = TimeOfFrame(first) - base;
    int64_t end = TimeOfFrame(first + frames) - base;
    sample->SetActualDataLength(int32_t(used));
    sample->SetTime(&start, &end);
    int64_t mediaStart = int64_t(first), mediaEnd = int64_t(first + frames);
    sample->SetMediaTime(&mediaStart, &mediaEnd);
    return S_OK;
}

// ---- IMediaSeeking ----

HRESULT CMpegSplitterOutputPin::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    const MpegStreamLayout* l = Layout();
    if (!l) return VFW_E_NOT_CONNECTED;
    *duration = SamplesToRefTime(int64_t(l->PlayableSamples()), l->format.sampleRate);
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    int64_t duration = 0;
    HRESULT hr = GetDuration(&duration);
    if (FAILED(hr)) return hr;
    *stop = std::min(TimeOfFrame(stopFrame_), duration);
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    int64_t duration = 0;
    HRESULT hr = GetDuration(&duration);
    if (FAILED(hr)) return hr;
    *current = std::min(TimeOfFrame(nextFrame_), duration);
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) {
    if (!Layout()) return VFW_E_NOT_CONNECTED;
    *current = TimeOfFrame(nextFrame_);
    *stop = TimeOfFrame(stopFrame_);
    return S_OK;
}

void CMpegSplitterOutputPin::MoveSegment(const SeekPositions& to, REFERENCE_TIME* start,
                                         REFERENCE_TIME* stop) {
    const MpegStreamLayout* l = Layout();
    const uint64_t startFrame = FrameOfTime(to.start);
    // A stop inside a frame keeps that frame.
    uint64_t stopFrame = FrameOfTime(to.stop);
    if (stopFrame < l->audioFrames && TimeOfFrame(stopFrame) < to.stop) ++stopFrame;
    if (to.movesStop) stopFrame_ = std::max(stopFrame, startFrame);
    if (to.movesStart) {
        SeekAndRestart([&] {
            startFrame_ = startFrame;
            nextFrame_ = startFrame;
        });
    }
    *start = TimeOfFrame(startFrame_);
    *stop = TimeOfFrame(stopFrame_);
}

// ---- filter ----

CMpegSplitter::CMpegSplitter()
    : CPullParser("MPEG-1 Stream Splitter", CLSID_MPEG1Splitter, "Input", MEDIASUBTYPE_MPEG1Audio,
                  true) {
    HRESULT hr = S_OK;
    output_ = SetOutputPin(std::make_unique<CMpegSplitterOutputPin>(this, &m_Lock, &hr));
}

CMpegSplitter::~CMpegSplitter() {
    // Join the streaming thread before the file goes.
    (void)CBaseFilter::Stop();
}

HRESULT CMpegSplitter::ReadFile(AsyncReaderByteSource& source) {
    auto layout = ScanMpegStream(source);
    if (FAILED(source.failure())) return source.failure();
    if (!layout || layout->audioFrames == 0) return VFW_E_INVALID_FILE_FORMAT;
    layout_ = std::move(layout);
    output_->ResetPositions();
    return S_OK;
}

void CMpegSplitter::ForgetFile() {
    layout_.reset();
    output_->ResetPositions();
}

}  // namespace tarnel::media
