#include "app/PreviewPlayer.h"

#include <fstream>
#include <stdexcept>
#include <string_view>

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

// UTF-8 to UTF-16; a byte that does not start a well-formed sequence becomes U+FFFD.
std::u16string Utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int length = lead < 0x80   ? 1
                           : lead < 0xC2 ? 0
                           : lead < 0xE0 ? 2
                           : lead < 0xF0 ? 3
                           : lead < 0xF5 ? 4
                                         : 0;
        char32_t code = length == 1 ? lead : length == 0 ? 0 : lead & (0x7F >> length);
        int taken = length;
        for (int k = 1; k < length; ++k) {
            const auto next = i + k < text.size() ? static_cast<uint8_t>(text[i + k]) : 0;
            if ((next & 0xC0) != 0x80) taken = 0;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not well-formed.
        if (taken == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) taken = 0;
        if (taken == 4 && (code < 0x10000 || code > 0x10FFFF)) taken = 0;
        if (taken == 0) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<size_t>(taken);
    }
    return out;
}

}  // namespace

PreviewPlayer::PreviewPlayer(FilterRegistry& registry) : registry_(registry) {}

PreviewPlayer::~PreviewPlayer() {
    Release();
}

HRESULT PreviewPlayer::Open(const std::string& path, NotifyCallback notify, int32_t message) {
    Release();  // one graph at a time; the old one's callbacks end before notify_ changes
    path_ = Utf16(path);
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
