#include "engine/FilterCatalogue.h"

#include <stdexcept>

#include "framework/Guids.h"

namespace tarnel {
namespace {

const GUID* CategoryClsid(int category) {
    switch (category) {
        case FilterCatalogue::kAudioCompressors:
            return &CLSID_AudioCompressorCategory;
        case FilterCatalogue::kVideoCompressors:
            return &CLSID_VideoCompressorCategory;
        default:
            return nullptr;
    }
}

}  // namespace

std::string DisplayNameOf(FilterMoniker& moniker) {
    std::string name;
    if (moniker.ReadProperty("Description", &name) == S_OK) return name;
    name.clear();
    if (moniker.ReadProperty("FriendlyName", &name) == S_OK) return name;
    return {};
}

FilterCatalogue::FilterCatalogue(DeviceEnumeratorFactory makeEnumerator)
    : makeEnumerator_(std::move(makeEnumerator)) {}

DeviceEnumeratorFactory FilterCatalogue::DefaultEnumerator() {
    return [] { return MakeRegistryDeviceEnumerator(FilterRegistry::Default()); };
}

HRESULT FilterCatalogue::ListNames(int category) {
    return Walk({}, category, nullptr);
}

std::vector<std::string> FilterCatalogue::Names(int category) const {
    if (CategoryClsid(category) == nullptr) return {};
    return names_[static_cast<size_t>(category)];
}

HRESULT FilterCatalogue::FindByName(const std::string& name, int category,
                                    std::shared_ptr<IBaseFilter>* filter) {
    if (filter == nullptr) return E_POINTER;
    filter->reset();
    return Walk(name, category, filter);
}

HRESULT FilterCatalogue::Walk(const std::string& wanted, int category,
                              std::shared_ptr<IBaseFilter>* found) {
    const GUID* clsid = CategoryClsid(category);
    if (clsid == nullptr) return E_INVALIDARG;
    auto& list = names_[static_cast<size_t>(category)];
    list.clear();
    const bool listing = wanted.empty();

    std::unique_ptr<DeviceEnumerator> enumerator = makeEnumerator_ ? makeEnumerator_() : nullptr;
    if (!enumerator) throw std::runtime_error("Failed to create system enumerator");
    std::vector<std::unique_ptr<FilterMoniker>> monikers;
    HRESULT hr = enumerator->CreateClassEnumerator(*clsid, &monikers);
    if (FAILED(hr)) throw std::runtime_error("Failed to create class enumerator");
    if (hr == S_FALSE || monikers.empty()) return S_FALSE;

    hr = S_OK;
    for (const auto& moniker : monikers) {
        const std::string name = DisplayNameOf(*moniker);
        if (listing) {
            list.push_back(name);
            continue;
        }
        if (name != wanted) continue;
        std::shared_ptr<IBaseFilter> filter;
        if (FAILED(moniker->BindToFilter(&filter)) || !filter) {
            throw std::logic_error("Failed to bind moniker to object");
        }
        *found = std::move(filter);
        return S_OK;
    }
    return hr;
}

}  // namespace tarnel
