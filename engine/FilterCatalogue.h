#pragma once
// Lists the installed compressors of a category by display name and finds one by that name.
// Category 0 holds the audio compressors, category 1 the video compressors.
//
// Every walk, listing or lookup, first empties its category's list, so a lookup leaves it
// empty: take a copy with Names before looking up. The three failures of the walk are thrown
// (std::runtime_error for the enumerators, std::logic_error for a filter that cannot be
// created); everything else is an HRESULT.
//
// A plain object for one thread: created where needed and discarded after use.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/DeviceEnumerator.h"

namespace tarnel {

class FilterCatalogue {
public:
    static constexpr int kAudioCompressors = 0;
    static constexpr int kVideoCompressors = 1;

    explicit FilterCatalogue(DeviceEnumeratorFactory makeEnumerator = DefaultEnumerator());

    // Replaces the category's list with the display names in enumeration order. S_OK, or
    // S_FALSE for an empty category; E_INVALIDARG for an unknown category.
    HRESULT ListNames(int category);
    // A copy of the category's list (empty for an unknown category).
    std::vector<std::string> Names(int category) const;
    // Binds the first filter whose display name equals `name` exactly. When none matches the
    // result is still a success and `filter` stays null.
    HRESULT FindByName(const std::string& name, int category, std::shared_ptr<IBaseFilter>* filter);

    // The registry's enumerator over FilterRegistry::Default().
    static DeviceEnumeratorFactory DefaultEnumerator();

private:
    HRESULT Walk(const std::string& wanted, int category, std::shared_ptr<IBaseFilter>* found);

    DeviceEnumeratorFactory makeEnumerator_;
    std::array<std::vector<std::string>, 2> names_;
};

// "Description" when the filter has one, else "FriendlyName", else empty.
std::string DisplayNameOf(FilterMoniker& moniker);

}  // namespace tarnel
