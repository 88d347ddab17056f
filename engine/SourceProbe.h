#pragma once
// Source probing: whether a file is one of the four supported source formats, and how long it
// plays. ProbeFile asks the MP3, Ogg, WMA and WAV probes in that order; the first that succeeds
// names the format. The file's contents decide, never its extension. No probe runs a graph:
// each connects one, asks its duration and releases it. No probe throws.
//
// The registry argument selects the filters the probes' graphs use (the process-wide one by
// default). Every call runs on the caller's thread.
#include <cstdint>
#include <filesystem>
#include <string>

#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"

namespace tarnel {

// What a source reports when the platform gives no duration: 3.9 s in 100 ns units.
inline constexpr int64_t kDefaultDurationUnits = 39'000'000;

struct ProbeResult {
    HRESULT result = E_FAIL;
    std::string formatName;  // "MP3", "OGG", "WMA" or "WAV" on success
    double seconds = -1.0;   // -1 when unknown
    bool Succeeded() const { return SUCCEEDED(result); }
};

// MP3, OGG, WMA, WAV in that order; the result of the last probe when none accepts the file.
ProbeResult ProbeFile(const std::filesystem::path& path,
                      FilterRegistry& registry = FilterRegistry::Default());

// Each gives an HRESULT (0 or more: accepted) and the duration in seconds (-1.0 on failure).
HRESULT ProbeMp3(const std::filesystem::path& path, double* seconds,
                 FilterRegistry& registry = FilterRegistry::Default());
HRESULT ProbeOgg(const std::filesystem::path& path, double* seconds,
                 FilterRegistry& registry = FilterRegistry::Default());
HRESULT ProbeWma(const std::filesystem::path& path, double* seconds,
                 FilterRegistry& registry = FilterRegistry::Default());
HRESULT ProbeWav(const std::filesystem::path& path, double* seconds,
                 FilterRegistry& registry = FilterRegistry::Default());

// Major type and subtype of the first type the first output pin of the file's source filter
// offers. E_FAIL when the source has no output pin or the pin offers no type.
HRESULT GetFirstOutputType(const std::filesystem::path& path, GUID* majorType, GUID* subtype,
                           FilterRegistry& registry = FilterRegistry::Default());

// Connects the file's source to a Null Renderer (through the Ogg splitter and Vorbis decoder
// when `throughOggDecoder`) and asks the graph for the duration, in 100 ns units; a reported
// duration of 0 becomes kDefaultDurationUnits.
HRESULT MeasureDuration(const std::filesystem::path& path, bool throughOggDecoder, int64_t* units,
                        FilterRegistry& registry = FilterRegistry::Default());

}  // namespace tarnel
