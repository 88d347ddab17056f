#include "platform/media/mpeg/CMpegSplitter.h"

#include <algorithm>

#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"
#include "framework/SeekPositions.h"
#include "platform/media/mpeg/MpegSplitterFormat.h"

namespace tarnel::media {
namespace {

constexpr uint32_t kSeekCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                               AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                               AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

}  // namespace

// ---- input pin ----

CMpegSplitterInputPin::CMpegSplitterInputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr)
    : CPullInputPin("Input", filter, lock, hr, MEDIASUBTYPE_MPEG1Audio), splitter_(filter) {}

HRESULT CMpegSplitterInputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio);
    return S_OK;
}

HRESULT CMpegSplitterInputPin::OnReaderConnected(IAsyncReader* reader) {
    return splitter_->ScanFile(reader);
}

void CMpegSplitterInputPin::OnReaderDisconnected() {
    splitter_->ForgetFile();
}

// ---- output pin ----

CMpegSplitterOutputPin::CMpegSplitterOutputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr)
    : CSourceStream("Audio", filter, lock, hr), CMediaTimeSeeking(kSeekCaps), splitter_(filter) {}

CMpegSplitterOutputPin::~CMpegSplitterOutputPin() {
    // The thread calls our FillBuffer: stop it while this object is whole.
    EndThreadNow();
}

void* CMpegSplitterOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CSourceStream::QueryInterface(iid);
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

HRESULT CMpegSplitterOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    const MpegStreamLayout* l = Layout();
    if (!l || position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = MpegSplitterOutputType(l->format);
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::DecideBufferSize(IMemAllocator* alloc,
                                                 ALLOCATOR_PROPERTIES* props) {
    return RequestBuffers(alloc, props,
                          {.buffers = kBufferCount,
                           .bytes = kBufferBytes,
                           .needBuffers = 1,
                           .needBytes = kBufferBytes});
}

HRESULT CMpegSplitterOutputPin::OnThreadStartPlay() {
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
    discontinuity_ = true;
    return DeliverNewSegment(TimeOfFrame(start), TimeOfFrame(stopFrame_), 1.0);
}

HRESULT CMpegSplitterOutputPin::OnThreadDestroy() {
    walker_.reset();
    source_.reset();
    return S_OK;
}

HRESULT CMpegSplitterOutputPin::FillBuffer(IMediaSample* sample) {
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
    sample->SetSyncPoint(true);
    sample->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
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

HRESULT CMpegSplitterOutputPin::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                             uint32_t stopFlags) {
    HRESULT hr = CheckSeekArguments(current, currentFlags, stop, stopFlags);
    if (FAILED(hr)) return hr;
    CAutoLock serial(&seekLock_);
    const MpegStreamLayout* l = Layout();
    if (!l) return VFW_E_NOT_CONNECTED;

    const SeekPositions to = ResolveSeekPositions(TimeOfFrame(nextFrame_), TimeOfFrame(stopFrame_),
                                                  current, currentFlags, stop, stopFlags);
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
    ReturnSeekTimes(TimeOfFrame(startFrame_), TimeOfFrame(stopFrame_), current, currentFlags, stop,
                    stopFlags);
    return S_OK;
}

// ---- filter ----

CMpegSplitter::CMpegSplitter()
    : CBaseFilter("MPEG-1 Stream Splitter", &lock_, CLSID_MPEG1Splitter) {
    HRESULT hr = S_OK;
    input_ = std::make_unique<CMpegSplitterInputPin>(this, &lock_, &hr);
    output_ = std::make_unique<CMpegSplitterOutputPin>(this, &lock_, &hr);
}

CMpegSplitter::~CMpegSplitter() {
    // Join the streaming thread before the pins go.
    (void)CBaseFilter::Stop();
}

CBasePin* CMpegSplitter::GetPin(int index) {
    if (index == 0) return input_.get();
    if (index == 1) return output_.get();
    return nullptr;
}

HRESULT CMpegSplitter::ScanFile(IAsyncReader* reader) {
    int64_t total = 0, available = 0;
    HRESULT hr = reader->Length(&total, &available);
    if (FAILED(hr)) return hr;
    AsyncReaderByteSource source(reader, uint64_t(std::max<int64_t>(available, 0)));
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
