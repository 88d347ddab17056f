#pragma once
// PreviewPlayer: the preview graph for one listed file at a time, separate from the conversion
// graph. Ogg files (recognised by their first bytes, whatever their name) go through the
// program's own Ogg splitter and Vorbis decoder; everything else is rendered by the graph,
// which picks the source and decoders by content and ends in the "Audio Renderer".
//
// Threading: every call on the owner's thread. The notify callback runs on a graph thread
// whenever an event is queued; it must only hand the news on (the document queues a call to
// its own thread and takes the events there with TakeEvents).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/FilterGraph.h"
#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"

namespace tarnel {

inline constexpr int32_t kPreviewEventMessage = 1631;  // WM_PREVIEW_EVENT

class PreviewPlayer {
public:
    using NotifyCallback = std::function<void(int32_t message)>;

    explicit PreviewPlayer(FilterRegistry& registry = FilterRegistry::Default());
    ~PreviewPlayer();  // releases the graph
    PreviewPlayer(const PreviewPlayer&) = delete;
    PreviewPlayer& operator=(const PreviewPlayer&) = delete;

    // Builds the graph for the file; events are signalled through `notify` with `message`.
    // Throws std::runtime_error when the file cannot be read for the Ogg test. A graph that
    // failed to build stays open (IsOpen) until Release.
    HRESULT Open(const std::string& path, NotifyCallback notify, int32_t message);
    // Starts the graph and returns the state query (waiting up to 50 ms) that follows.
    HRESULT Run();
    void Pause();
    // Stops the graph, then applies the positions (none while the stop position is negative).
    HRESULT Stop();
    void Release();
    bool IsOpen() const { return graph_ != nullptr; }
    // Whole decibels (0 full, negative quieter); applied to an open graph at once.
    void SetVolume(int32_t decibels);

    // Every queued graph event code, oldest first, without waiting (empty without a graph).
    std::vector<int32_t> TakeEvents();

    int32_t VolumeDb() const { return volumeDb_; }
    const std::u16string& Path() const { return path_; }
    FilterGraph* Graph() const { return graph_.get(); }

private:
    HRESULT BuildGraph(const std::string& path);
    HRESULT ApplyPositions();

    FilterRegistry& registry_;
    // Released in the reverse order of their use: audio, seeking, control, then the graph.
    std::unique_ptr<FilterGraph> graph_;
    IMediaControl* control_ = nullptr;
    IMediaSeeking* seeking_ = nullptr;
    IBasicAudio* audio_ = nullptr;
    NotifyCallback notify_;
    int32_t notifyMessage_ = kPreviewEventMessage;
    std::u16string path_;
    float startPosition_ = 0.0f;  // seconds
    float stopPosition_ = -1.0f;  // seconds; negative: to the end of the file
    int32_t volumeDb_ = 0;
};

}  // namespace tarnel
