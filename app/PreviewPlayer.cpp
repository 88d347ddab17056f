#include "app/PreviewPlayer.h"

#include <QString>

#include <fstream>
#include <stdexcept>

#include "engine/GraphConnections.h"
#include "engine/OggMarker.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"

namespace tarnel {

namespace {

// The Ogg test of the probes, on the file's first bytes; a file that cannot be read is an
// unexpected failure of the preview.
bool IsOggFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    uint8_t head[kOggMarkerBytes] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return HasOggMarker(std::span<const uint8_t>(head, static_cast<size_t>(in.gcount())));
}

}  // namespace

PreviewPlayer::PreviewPlayer(FilterRegistry& registry) : registry_(registry) {}

PreviewPlayer::~PreviewPlayer() {
    Release();
}

HRESULT PreviewPlayer::Open(const std::string& path, NotifyCallback notify, int32_t message) {
    Release();  // one graph at a time; the old one's callbacks end before notify_ changes
    path_ = QString::fromStdString(path).toStdU16String();
    startPosition_ = 0.0f;
    stopPosition_ = -1.0f;
    notify_ = std::move(notify);
    notifyMessage_ = message;

    graph_ = std::make_unique<FilterGraph>(registry_);
    control_ = Query<IMediaControl>(graph_.get());
    if (!control_) return E_NOINTERFACE;
    auto* events = Query<IMediaEventEx>(graph_.get());
    if (!events) return E_NOINTERFACE;
    if (notify_) {
        (void)events->SetNotifyCallback([this] { notify_(notifyMessage_); });  // always S_OK
    }
    seeking_ = Query<IMediaSeeking>(graph_.get());
    audio_ = Query<IBasicAudio>(graph_.get());
    if (!audio_) return E_NOINTERFACE;

    HRESULT hr = BuildGraph(path);
    if (FAILED(hr)) return hr;
    // Without a renderer volume the file still plays, at full volume; the result says so.
    const HRESULT volume = audio_->put_Volume(volumeDb_ * 100);
    const HRESULT positions = ApplyPositions();
    return FAILED(volume) ? volume : FAILED(positions) ? positions : hr;
}

HRESULT PreviewPlayer::BuildGraph(const std::string& path) {
    if (!IsOggFile(path)) return graph_->RenderFile(path);
    IBaseFilter* source = nullptr;
    HRESULT hr = graph_->AddSourceFilter(path, "Source", &source);
    if (FAILED(hr)) return hr;
    auto splitter = std::make_shared<COggSplitter>();
    auto decoder = std::make_shared<CVorbisDec>();
    if (FAILED(hr = graph_->AddFilter(splitter, kSplitterName))) return hr;
    if (FAILED(hr = graph_->AddFilter(decoder, kDecoderName))) return hr;
    if (FAILED(hr = ConnectFilters(graph_.get(), source, splitter.get()))) return hr;
    if (FAILED(hr = ConnectFilters(graph_.get(), splitter.get(), decoder.get()))) return hr;
    IPin* output = FirstPin(decoder.get(), PINDIR_OUTPUT);
    if (!output) return E_FAIL;
    return graph_->Render(output);
}

HRESULT PreviewPlayer::ApplyPositions() {
    if (!seeking_ || stopPosition_ < 0.0f) return S_OK;
    int64_t start = static_cast<int64_t>(double(startPosition_) * double(UNITS));
    int64_t stop = static_cast<int64_t>(double(stopPosition_) * double(UNITS));
    return seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                  AM_SEEKING_AbsolutePositioning);
}

HRESULT PreviewPlayer::Run() {
    if (!control_) return E_UNEXPECTED;
    (void)control_->Run();  // a failed start shows in the state query below
    FILTER_STATE state = State_Stopped;
    return control_->GetState(50, &state);
}

void PreviewPlayer::Pause() {
    if (control_) (void)control_->Pause();  // a failure arrives as a graph event
}

HRESULT PreviewPlayer::Stop() {
    if (!control_) return E_UNEXPECTED;
    HRESULT hr = control_->Stop();
    if (FAILED(hr)) return hr;
    return ApplyPositions();
}

void PreviewPlayer::Release() {
    if (control_) (void)Stop();  // the graph is released whatever the stop said
    audio_ = nullptr;
    seeking_ = nullptr;
    control_ = nullptr;
    if (graph_) (void)graph_->SetNotifyCallback(nullptr);
    graph_.reset();  // stops and joins every thread of the graph
}

void PreviewPlayer::SetVolume(int32_t decibels) {
    volumeDb_ = decibels;
    if (audio_) (void)audio_->put_Volume(decibels * 100);  // E_NOTIMPL without a renderer
}

std::vector<int32_t> PreviewPlayer::TakeEvents() {
    std::vector<int32_t> codes;
    if (!graph_) return codes;
    int32_t code = 0;
    intptr_t param1 = 0, param2 = 0;
    while (graph_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        (void)graph_->FreeEventParams(code, param1, param2);  // plain values here
        codes.push_back(code);
    }
    return codes;
}

}  // namespace tarnel
