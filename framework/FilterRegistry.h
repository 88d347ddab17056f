#pragma once
// FilterRegistry: the filters the graph manager may create by class identifier, with what it
// needs for intelligent connection (merit, input and output media types) and the rules that
// pick a source filter for a file (content check first, then extension).
//
// platform/media fills the process-wide registry with RegisterSystemFilters(Default()).
// Thread-safe: lookups return copies.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/Interfaces.h"

namespace tarnel {

constexpr uint32_t MERIT_PREFERRED = 0x800000;
constexpr uint32_t MERIT_NORMAL = 0x600000;
constexpr uint32_t MERIT_UNLIKELY = 0x400000;
constexpr uint32_t MERIT_DO_NOT_USE = 0x200000;
constexpr uint32_t MERIT_SW_COMPRESSOR = 0x100000;
constexpr uint32_t MERIT_HW_COMPRESSOR = 0x100050;

// A major type / subtype pair; GUID_NULL matches anything.
struct MediaTypePair {
    GUID majortype;
    GUID subtype;
    bool Matches(const CMediaType& type) const;
};

using FilterFactory = std::function<std::shared_ptr<IBaseFilter>()>;

// The factory of a filter made by its default constructor.
template <class Filter>
FilterFactory DefaultFactory() {
    return [] { return std::shared_ptr<IBaseFilter>(std::make_shared<Filter>()); };
}

struct FilterRegistration {
    GUID clsid;
    std::string name;  // display name, also the name an inserted filter gets in a graph
    uint32_t merit = MERIT_DO_NOT_USE;
    FilterFactory create;
    // Pin types for intelligent connection. A filter with input types and no output types is
    // a renderer (used by Render).
    std::vector<MediaTypePair> inputTypes;
    std::vector<MediaTypePair> outputTypes;
    // Category (e.g. CLSID_AudioCompressorCategory); GUID_NULL for none.
    GUID category;
    // Whether the filter can be made on this system, asked only when its category is listed
    // (it may load a library); empty: always.
    std::function<bool()> available;
};

// How AddSourceFilter recognises a file.
struct SourceRule {
    std::string name;  // e.g. "RIFF WAVE"
    GUID sourceClsid;  // the source filter to create
    GUID majortype;    // the type handed to IFileSourceFilter::Load (GUID_NULL: no type)
    GUID subtype;
    // Content check over the file's first bytes (at most kSniffBytes); empty: extension only.
    std::function<bool(std::span<const uint8_t>)> matches;
    std::vector<std::string> extensions;  // lower case with the dot: ".wav"
};

class FilterRegistry {
public:
    static constexpr size_t kSniffBytes = 64 * 1024;

    // The process-wide registry.
    static FilterRegistry& Default();

    // Adds or replaces (same CLSID) an entry.
    void Register(FilterRegistration registration);
    bool Unregister(const GUID& clsid);
    // Replaces a rule of the same name.
    void AddSourceRule(SourceRule rule);
    void Clear();

    std::optional<FilterRegistration> Find(const GUID& clsid) const;
    std::vector<FilterRegistration> Entries() const;
    std::vector<FilterRegistration> EntriesInCategory(const GUID& category) const;
    std::vector<SourceRule> SourceRules() const;

    // Creates a filter: REGDB_E_CLASSNOTREG when unknown, E_FAIL when the factory gives null.
    HRESULT CreateInstance(const GUID& clsid, std::shared_ptr<IBaseFilter>* filter) const;

    // Filters with merit above MERIT_DO_NOT_USE taking the type at an input, best merit first
    // (ties in registration order).
    std::vector<FilterRegistration> CandidatesForInput(const CMediaType& type) const;

    // The rule for a file: first content match (in registration order), then the first
    // extension match; nullopt when neither.
    std::optional<SourceRule> MatchSource(std::span<const uint8_t> head,
                                          std::string_view extension) const;

private:
    mutable std::mutex mutex_;
    std::vector<FilterRegistration> entries_;  // guarded by mutex_
    std::vector<SourceRule> rules_;            // guarded by mutex_
};

// Creates a filter by class identifier from the default registry.
HRESULT CoCreateInstance(const GUID& clsid, std::shared_ptr<IBaseFilter>* filter);

}  // namespace tarnel
