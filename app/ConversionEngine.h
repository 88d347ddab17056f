#pragma once
// The document's view of the conversion graph builder. The document owns one for its whole life
// and drives it file by file: set the export parameters, Prepare, BuildGraph, set the duration,
// Run; GetProgressPercent on every progress tick; at the end Stop and ReleaseGraph. The
// production implementation wraps the engine's Converter (MakeEngineConverter); tests may put a
// scripted one in its place.
//
// Threading: every call comes from the document's thread. The notify callback given to Prepare
// may be called on any thread (a graph's streaming thread); it only signals that events are
// waiting, which the document then takes with TakeEvents on its own thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnel {

// Graph event codes the document reacts to.
inline constexpr int32_t kEventComplete = 1;    // EC_COMPLETE
inline constexpr int32_t kEventUserAbort = 2;   // EC_USERABORT
inline constexpr int32_t kEventErrorAbort = 3;  // EC_ERRORABORT

// One graph event: its code and, for EC_ERRORABORT, the failing HRESULT (0 otherwise).
struct GraphEvent {
    int32_t code = 0;
    int32_t result = 0;
    bool operator==(const GraphEvent&) const = default;
};

// Result of the Vorbis encoder refusing the Ogg settings.
inline constexpr int32_t kVorbisSettingsRejected = static_cast<int32_t>(0x80080800u);

class ConversionEngine {
public:
    virtual ~ConversionEngine() = default;

    // Export parameters, taking effect at the next BuildGraph.
    virtual void SetExportFormat(int32_t exportFormat) = 0;
    virtual void SetWmaChoice(int32_t codecIndex, int32_t formatIndex, uint8_t vbr) = 0;
    // Channels, samples per second and bits per sample of the PCM the encoder receives.
    virtual void SetTargetPcm(int32_t sampleRate, int32_t channels, int32_t bitsPerSample) = 0;

    virtual void Prepare(const std::string& sourcePath, const std::string& destinationPath,
                         int32_t sourceFormat, std::function<void()> notify) = 0;
    // HRESULT: negative on failure.
    virtual int32_t BuildGraph() = 0;
    virtual double DurationSeconds() const = 0;
    virtual void SetDurationSeconds(double seconds) = 0;
    // Starts the graph and waits for it to run: negative when it refuses to (the start or the
    // state query failed).
    virtual int32_t Run() = 0;
    // Percent written so far; -1 when the position cannot be read.
    virtual int32_t GetProgressPercent() = 0;
    virtual int32_t Stop() = 0;
    virtual int32_t ReleaseGraph() = 0;
    // Takes every pending graph event without waiting (oldest first); empty when there is no
    // graph.
    virtual std::vector<GraphEvent> TakeEvents() = 0;
};

struct ConverterServices;

// The engine's Converter behind this interface, with the process-wide filter registry or the
// given services (the WMA profile source among them).
std::unique_ptr<ConversionEngine> MakeEngineConverter();
std::unique_ptr<ConversionEngine> MakeEngineConverter(ConverterServices services);

}  // namespace tarnel
