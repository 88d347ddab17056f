#pragma once
// Converter: converts one source file into one output file of the current export format by
// building a filter graph, running it without a clock and reporting progress.
//
// Every graph: "Music Source" and its decoder part -> (PCM converter set to the target format,
// except for WMA export) -> "TS Fixer" -> the export chain:
//   MP3  "MP3 Compressor" -> "WAVE Writer" -> "File Writer"
//   OGG  "Ogg compressor" -> "Ogg Mux" -> "File Writer"
//   WAV  ["WAV Compressor" ->] "WAVE Writer" -> "File Writer"
//   WMA  "ASF Mux"
// Filters of the system and of later export formats are created by class identifier from the
// filter registry; one that is not installed makes BuildGraph fail with the registry's result.
//
// The owner's sequence per file: set exportFormat, the WMA fields and targetFormat; Prepare;
// BuildGraph; set durationSeconds when it is still -1; Run; GetProgressPercent on a timer; at
// the completion or abort event (delivered through the notify callback) Stop and ReleaseGraph.
// After a failed BuildGraph, ReleaseGraph clears the partial graph.
//
// Threading: every member is used on the owner's thread only. The notify callback runs on a
// graph thread; it receives the notify message and the graph, whose IMediaEventEx holds the
// events.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "engine/DeviceEnumerator.h"
#include "engine/FilterControlInterfaces.h"
#include "framework/FilterGraph.h"
#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"
#include "framework/WaveFormat.h"

namespace tarnel {

// Format codes of sources and exports.
inline constexpr int32_t kFormatWma = 200;
inline constexpr int32_t kFormatMp3 = 201;
inline constexpr int32_t kFormatOgg = 202;
inline constexpr int32_t kFormatWav = 203;
inline constexpr int32_t kFormatUnknown = 204;

// The stored WAV compressor position names no installed compressor.
inline constexpr HRESULT E_WAV_COMPRESSOR_NOT_INSTALLED = static_cast<HRESULT>(0x80040801u);

// Whether the converters can produce `target` for an MP3 or WAV export: an MPEG sample rate,
// one or two channels and 16 bits for MP3; 1000..768000 Hz, 1..8 channels and 8, 16, 24 or 32
// bits for WAV. Stored records can hold anything, and a target outside these fails the build
// with E_INVALIDARG instead of writing a file in some other format.
bool IsProducibleTarget(int32_t exportFormat, const WAVEFORMATEX& target);

// Filter names inside the graphs.
namespace graphnames {
inline constexpr const char* kMusicSource = "Music Source";
inline constexpr const char* kTsFixer = "TS Fixer";
inline constexpr const char* kSampleSizeConverter = "8-16 Converter";
inline constexpr const char* kSampleRateConverter = "Samp Rate Conveter";
inline constexpr const char* kIntermediate = "Intermediate";
inline constexpr const char* kSplitter = "Splitter";
inline constexpr const char* kDecoder = "Decoder";
inline constexpr const char* kWmaDecoder = "WMA Decoder";
inline constexpr const char* kAsfMux = "ASF Mux";
inline constexpr const char* kOggCompressor = "Ogg compressor";
inline constexpr const char* kOggMux = "Ogg Mux";
inline constexpr const char* kMp3Compressor = "MP3 Compressor";
inline constexpr const char* kWavCompressor = "WAV Compressor";
inline constexpr const char* kWaveWriter = "WAVE Writer";
inline constexpr const char* kFileWriter = "File Writer";
}  // namespace graphnames

// Where a Converter finds what it builds with; the defaults are the process-wide ones.
struct ConverterServices {
    FilterRegistry* registry = nullptr;        // null: FilterRegistry::Default()
    DeviceEnumeratorFactory deviceEnumerator;  // empty: over the registry
    WmaProfileSource wmaProfiles;              // empty: the profiles of wma/
};

class Converter {
public:
    // Called on a graph thread for each queued graph event.
    using NotifyCallback = std::function<void(int32_t message, IGraphBuilder* graph)>;

    explicit Converter(ConverterServices services = {});
    virtual ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Set by the owner before BuildGraph.
    int32_t exportFormat = 0;       // 200..203
    int32_t wmaCodecIndex = 0;      // WMA export only
    int32_t wmaFormatIndex = 0;     // WMA export only
    uint8_t wmaVbr = 0;             // WMA export only
    double durationSeconds = -1.0;  // length of the source; -1 unknown
    // The owner fills channels, samples per second and bits per sample; BuildGraph completes
    // the rest for every export but WMA.
    WAVEFORMATEX targetFormat{};

    void Prepare(const std::filesystem::path& sourcePath,
                 const std::filesystem::path& destinationPath, int32_t sourceFormat,
                 NotifyCallback notify, int32_t notifyMessage);

    // Builds the whole graph for exportFormat; on success it is connected and runs unpaced.
    HRESULT BuildGraph();
    // Runs the graph and waits up to 5 s for the state change.
    HRESULT Run();
    // The writing filter's position as a percentage of durationSeconds, truncated; -1 when the
    // position cannot be read.
    int32_t GetProgressPercent();
    // 1 without a graph; otherwise stops the events, then the graph.
    HRESULT Stop();
    // Stops a graph that has one and releases it; always 0 and safe to repeat.
    HRESULT ReleaseGraph();

    // The graph of the current file (null when there is none), for draining its events.
    IGraphBuilder* Graph() const { return graph_.get(); }
    IMediaEventEx* Events() const;
    // The graph's filter names in the order they were added (empty without a graph).
    std::vector<std::string> FilterNames() const;

    const std::filesystem::path& SourcePath() const { return sourcePath_; }
    const std::filesystem::path& DestinationPath() const { return destinationPath_; }
    int32_t SourceFormat() const { return sourceFormat_; }

private:
    HRESULT StartGraph();
    HRESULT FinishGraph(IBaseFilter* writer, bool seekingRequired);
    HRESULT BuildWmaGraph();
    HRESULT BuildOggGraph();
    HRESULT BuildWaveGraph();
    HRESULT AddWavCompressor(int32_t index, std::shared_ptr<IBaseFilter>* compressor);
    HRESULT AddFileWriter(IBaseFilter* upstream);
    HRESULT ConnectSource(const std::shared_ptr<IBaseFilter>& target);
    HRESULT SetPcmConverterFormat(IBaseFilter* converter);
    HRESULT ConfigureMp3Encoder(IBaseFilter* encoder);
    HRESULT ConfigureVorbisEncoder(IBaseFilter* encoder);

    FilterRegistry& registry_;
    DeviceEnumeratorFactory deviceEnumerator_;
    WmaProfileSource wmaProfiles_;

    // In declared order as the owner's thread sees them.
    std::shared_ptr<FilterGraph> graph_;     // null when no graph exists
    IMediaControl* mediaControl_ = nullptr;  // of graph_
    IMediaSeeking* mediaSeeking_ = nullptr;  // of the writing filter; progress source
    NotifyCallback notify_;                  // empty: no events are signalled
    std::filesystem::path destinationPath_;
    std::filesystem::path sourcePath_;
    int32_t notifyMessage_ = 0;
    int32_t sourceFormat_ = kFormatUnknown;
};

}  // namespace tarnel
