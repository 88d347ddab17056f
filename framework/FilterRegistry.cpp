#include "framework/FilterRegistry.h"

#include <algorithm>

namespace tarnel {

bool MediaTypePair::Matches(const CMediaType& type) const {
    if (!majortype.IsNull() && majortype != type.majortype) return false;
    if (!subtype.IsNull() && subtype != type.subtype) return false;
    return true;
}

FilterRegistry& FilterRegistry::Default() {
    static FilterRegistry registry;
    return registry;
}

void FilterRegistry::Register(FilterRegistration registration) {
    std::lock_guard lock(mutex_);
    for (auto& entry : entries_) {
        if (entry.clsid == registration.clsid) {
            entry = std::move(registration);
            return;
        }
    }
    entries_.push_back(std::move(registration));
}

bool FilterRegistry::Unregister(const GUID& clsid) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const FilterRegistration& e) { return e.clsid == clsid; });
    if (it == entries_.end()) return false;
    entries_.erase(it);
    return true;
}

void FilterRegistry::AddSourceRule(SourceRule rule) {
    std::lock_guard lock(mutex_);
    // A rule of the same name replaces the old one, so registering twice changes nothing.
    for (auto& existing : rules_) {
        if (existing.name == rule.name) {
            existing = std::move(rule);
            return;
        }
    }
    rules_.push_back(std::move(rule));
}

void FilterRegistry::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    rules_.clear();
}

std::optional<FilterRegistration> FilterRegistry::Find(const GUID& clsid) const {
    std::lock_guard lock(mutex_);
    for (const auto& entry : entries_) {
        if (entry.clsid == clsid) return entry;
    }
    return std::nullopt;
}

std::vector<FilterRegistration> FilterRegistry::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<FilterRegistration> FilterRegistry::EntriesInCategory(const GUID& category) const {
    std::vector<FilterRegistration> out;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if (entry.category == category) out.push_back(entry);
        }
    }
    // Outside the lock: the check may take long (it may open a library).
    std::erase_if(
        out, [](const FilterRegistration& entry) { return entry.available && !entry.available(); });
    return out;
}

std::vector<SourceRule> FilterRegistry::SourceRules() const {
    std::lock_guard lock(mutex_);
    return rules_;
}

HRESULT FilterRegistry::CreateInstance(const GUID& clsid,
                                       std::shared_ptr<IBaseFilter>* filter) const {
    if (!filter) return E_POINTER;
    filter->reset();
    auto entry = Find(clsid);
    if (!entry || !entry->create) return REGDB_E_CLASSNOTREG;
    // The factory runs without our lock: it may consult the registry itself.
    *filter = entry->create();
    return *filter ? S_OK : E_FAIL;
}

std::vector<FilterRegistration> FilterRegistry::CandidatesForInput(const CMediaType& type) const {
    std::vector<FilterRegistration> out;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if (entry.merit <= MERIT_DO_NOT_USE || !entry.create) continue;
            bool takes = std::any_of(entry.inputTypes.begin(), entry.inputTypes.end(),
                                     [&](const MediaTypePair& p) { return p.Matches(type); });
            if (takes) out.push_back(entry);
        }
    }
    std::stable_sort(
        out.begin(), out.end(),
        [](const FilterRegistration& a, const FilterRegistration& b) { return a.merit > b.merit; });
    return out;
}

std::optional<SourceRule> FilterRegistry::MatchSource(std::span<const uint8_t> head,
                                                      std::string_view extension) const {
    std::vector<SourceRule> rules = SourceRules();
    for (const auto& rule : rules) {
        if (rule.matches && rule.matches(head)) return rule;
    }
    std::string ext(extension);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!ext.empty()) {
        for (const auto& rule : rules) {
            if (std::find(rule.extensions.begin(), rule.extensions.end(), ext) !=
                rule.extensions.end())
                return rule;
        }
    }
    return std::nullopt;
}

HRESULT CoCreateInstance(const GUID& clsid, std::shared_ptr<IBaseFilter>* filter) {
    return FilterRegistry::Default().CreateInstance(clsid, filter);
}

}  // namespace tarnel
