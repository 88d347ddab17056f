#include "engine/SourceProbe.h"

#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "engine/GraphConnections.h"
#include "engine/Mp3DurationScan.h"
#include "engine/OggMarker.h"
#include "framework/FilterGraph.h"
#include "framework/Guids.h"

namespace tarnel {
namespace {

constexpr const char* kNullRendererName = "Null Renderer";

// Runs a probe step with the guarantee that nothing escapes it.
template <typename Step>
HRESULT Guarded(Step step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

HRESULT SecondsFromGraph(const std::filesystem::path& path, bool ogg, double* seconds,
                         FilterRegistry& registry) {
    int64_t units = 0;
    const HRESULT hr = MeasureDuration(path, ogg, &units, registry);
    *seconds = FAILED(hr) ? -1.0 : static_cast<double>(units) * 0.0000001;
    return hr;
}

// WMA audio subtypes the WMA probe accepts, in the order they are checked.
bool IsWmaSubtype(const GUID& subtype) {
    for (uint32_t tag : {0x0160u, 0x0161u, 0x0162u, 0x0163u, 0x0130u, 0x000Au}) {
        if (subtype == FourccSubtype(tag)) return true;
    }
    return false;
}

// The MP3, WMA and WAV probes of one ProbeFile each ask for the source's first output type:
// while ProbeFile runs, the file is asked once and the answer kept here.
struct FirstOutputTypeMemo {
    const std::filesystem::path& path;
    const FilterRegistry& registry;
    bool known = false;
    HRESULT result = E_FAIL;
    GUID majorType{};
    GUID subtype{};
};
thread_local FirstOutputTypeMemo* t_firstOutputType = nullptr;

HRESULT ReadFirstOutputType(const std::filesystem::path& path, GUID* majorType, GUID* subtype,
                            FilterRegistry& registry) {
    return Guarded([&]() -> HRESULT {
        FilterGraph graph(registry);
        IBaseFilter* source = nullptr;
        HRESULT hr = graph.AddSourceFilter(path, path.string(), &source);
        if (FAILED(hr)) return hr;
        IPin* output = FirstPin(source, PINDIR_OUTPUT);
        if (output == nullptr) return E_FAIL;
        std::vector<CMediaType> types;
        hr = output->EnumMediaTypes(&types);
        if (FAILED(hr) || types.empty()) return E_FAIL;
        *majorType = types.front().majortype;
        *subtype = types.front().subtype;
        return S_OK;
    });
}

}  // namespace

HRESULT GetFirstOutputType(const std::filesystem::path& path, GUID* majorType, GUID* subtype,
                           FilterRegistry& registry) {
    if (majorType == nullptr || subtype == nullptr) return E_POINTER;
    FirstOutputTypeMemo* memo = t_firstOutputType;
    if (memo == nullptr || &memo->registry != &registry || memo->path != path) {
        return ReadFirstOutputType(path, majorType, subtype, registry);
    }
    if (!memo->known) {
        memo->result = ReadFirstOutputType(path, &memo->majorType, &memo->subtype, registry);
        memo->known = true;
    }
    if (SUCCEEDED(memo->result)) {
        *majorType = memo->majorType;
        *subtype = memo->subtype;
    }
    return memo->result;
}

HRESULT MeasureDuration(const std::filesystem::path& path, bool throughOggDecoder, int64_t* units,
                        FilterRegistry& registry) {
    if (units == nullptr) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        FilterGraph graph(registry);
        IBaseFilter* source = nullptr;
        HRESULT hr = graph.AddSourceFilter(path, path.string(), &source);
        if (FAILED(hr)) return hr;
        std::shared_ptr<IBaseFilter> renderer;
        hr = registry.CreateInstance(CLSID_NullRenderer, &renderer);
        if (FAILED(hr)) return hr;
        hr = graph.AddFilter(renderer, kNullRendererName);
        if (FAILED(hr)) return hr;
        hr = throughOggDecoder
                 ? ConnectOggDecoder(&graph, registry, source, NextFilter{renderer, false})
                 : ConnectFilters(&graph, source, renderer.get());
        if (FAILED(hr)) return hr;
        auto* seeking = Query<IMediaSeeking>(&graph);
        if (seeking == nullptr) return E_POINTER;
        int64_t duration = 0;
        hr = seeking->GetDuration(&duration);
        if (FAILED(hr)) return hr;
        *units = duration == 0 ? kDefaultDurationUnits : duration;
        return hr;
    });
}

HRESULT ProbeMp3(const std::filesystem::path& path, double* seconds, FilterRegistry& registry) {
    if (seconds == nullptr) return E_POINTER;
    *seconds = -1.0;
    GUID major, subtype;
    HRESULT hr = GetFirstOutputType(path, &major, &subtype, registry);
    if (FAILED(hr)) return hr;
    if (major == MEDIATYPE_Stream && subtype == MEDIASUBTYPE_MPEG1Audio) {
        const double scanned = ScanMp3Duration(path);
        if (scanned != 0.0) *seconds = scanned;
    }
    return *seconds == -1.0 ? VFW_E_UNSUPPORTED_STREAM : S_OK;
}

HRESULT ProbeOgg(const std::filesystem::path& path, double* seconds, FilterRegistry& registry) {
    if (seconds == nullptr) return E_POINTER;
    *seconds = -1.0;
    if (!FileHasOggMarker(path)) return E_FAIL;
    return SecondsFromGraph(path, true, seconds, registry);
}

HRESULT ProbeWma(const std::filesystem::path& path, double* seconds, FilterRegistry& registry) {
    if (seconds == nullptr) return E_POINTER;
    *seconds = -1.0;
    GUID major, subtype;
    HRESULT hr = GetFirstOutputType(path, &major, &subtype, registry);
    if (FAILED(hr)) return hr;
    if (major != MEDIATYPE_Audio) return VFW_E_UNSUPPORTED_STREAM;
    if (!IsWmaSubtype(subtype)) {
        return subtype == MEDIASUBTYPE_PCM ? NS_E_INVALID_INPUT_FORMAT : VFW_E_UNSUPPORTED_STREAM;
    }
    return SecondsFromGraph(path, false, seconds, registry);
}

HRESULT ProbeWav(const std::filesystem::path& path, double* seconds, FilterRegistry& registry) {
    if (seconds == nullptr) return E_POINTER;
    *seconds = -1.0;
    GUID major, subtype;
    HRESULT hr = GetFirstOutputType(path, &major, &subtype, registry);
    if (FAILED(hr)) return hr;
    if ((major != MEDIATYPE_Stream && major != MEDIATYPE_Audio) ||
        (subtype != MEDIASUBTYPE_PCM && subtype != MEDIASUBTYPE_WAVE)) {
        return VFW_E_UNSUPPORTED_STREAM;
    }
    return SecondsFromGraph(path, false, seconds, registry);
}

ProbeResult ProbeFile(const std::filesystem::path& path, FilterRegistry& registry) {
    struct Probe {
        const char* name;
        HRESULT (*run)(const std::filesystem::path&, double*, FilterRegistry&);
    };
    static constexpr Probe kProbes[] = {
        {"MP3", &ProbeMp3}, {"OGG", &ProbeOgg}, {"WMA", &ProbeWma}, {"WAV", &ProbeWav}};
    FirstOutputTypeMemo memo{path, registry};
    FirstOutputTypeMemo* const outer = t_firstOutputType;
    t_firstOutputType = &memo;
    struct Restore {
        FirstOutputTypeMemo* outer;
        ~Restore() { t_firstOutputType = outer; }
    } restore{outer};
    ProbeResult result;
    for (const auto& probe : kProbes) {
        double seconds = -1.0;
        result.result = probe.run(path, &seconds, registry);
        if (SUCCEEDED(result.result)) {
            result.formatName = probe.name;
            result.seconds = seconds;
            return result;
        }
    }
    return result;
}

}  // namespace tarnel
