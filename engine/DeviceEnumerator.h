#pragma once
// The system device enumerator: for a filter category, one moniker per filter, each with a
// property bag ("FriendlyName", "Description") and a way to create ("bind") the filter. The
// filter catalogue walks it; the default one reads the filter registry's categories.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"

namespace tarnel {

class FilterMoniker {
public:
    virtual ~FilterMoniker() = default;
    // S_OK and the text, or a failure when the property is absent.
    virtual HRESULT ReadProperty(std::string_view name, std::string* value) = 0;
    virtual HRESULT BindToFilter(std::shared_ptr<IBaseFilter>* filter) = 0;
};

class DeviceEnumerator {
public:
    virtual ~DeviceEnumerator() = default;
    // S_OK with the monikers in enumeration order, S_FALSE for an empty category (no
    // monikers), a failure when the category cannot be enumerated.
    virtual HRESULT CreateClassEnumerator(
        const GUID& category, std::vector<std::unique_ptr<FilterMoniker>>* monikers) = 0;
};

// Creates the enumerator; null when it cannot be created.
using DeviceEnumeratorFactory = std::function<std::unique_ptr<DeviceEnumerator>()>;

// Over a filter registry: a category's entries in registration order, "FriendlyName" being
// the registration name; binding creates the filter through the registry.
std::unique_ptr<DeviceEnumerator> MakeRegistryDeviceEnumerator(
    FilterRegistry& registry = FilterRegistry::Default());

}  // namespace tarnel
