#include "engine/DeviceEnumerator.h"

namespace tarnel {
namespace {

class RegistryMoniker final : public FilterMoniker {
public:
    RegistryMoniker(FilterRegistry& registry, FilterRegistration entry)
        : registry_(registry), entry_(std::move(entry)) {}

    HRESULT ReadProperty(std::string_view name, std::string* value) override {
        if (value == nullptr) return E_POINTER;
        if (name != "FriendlyName") return E_FAIL;  // registrations carry no description
        *value = entry_.name;
        return S_OK;
    }

    HRESULT BindToFilter(std::shared_ptr<IBaseFilter>* filter) override {
        if (filter == nullptr) return E_POINTER;
        return registry_.CreateInstance(entry_.clsid, filter);
    }

private:
    FilterRegistry& registry_;
    FilterRegistration entry_;
};

class RegistryDeviceEnumerator final : public DeviceEnumerator {
public:
    explicit RegistryDeviceEnumerator(FilterRegistry& registry) : registry_(registry) {}

    HRESULT CreateClassEnumerator(const GUID& category,
                                  std::vector<std::unique_ptr<FilterMoniker>>* monikers) override {
        if (monikers == nullptr) return E_POINTER;
        monikers->clear();
        if (category.IsNull()) return E_INVALIDARG;
        for (auto& entry : registry_.EntriesInCategory(category)) {
            monikers->push_back(std::make_unique<RegistryMoniker>(registry_, std::move(entry)));
        }
        return monikers->empty() ? S_FALSE : S_OK;
    }

private:
    FilterRegistry& registry_;
};

}  // namespace

std::unique_ptr<DeviceEnumerator> MakeRegistryDeviceEnumerator(FilterRegistry& registry) {
    return std::make_unique<RegistryDeviceEnumerator>(registry);
}

}  // namespace tarnel
