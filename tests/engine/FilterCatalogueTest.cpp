#include "engine/FilterCatalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "framework/Guids.h"
#include "framework/TransformFilter.h"
#include "platform/media/compressors/AudioCompressorCodec.h"
#include "platform/media/compressors/AudioCompressorFilter.h"

namespace tarnel {
namespace {

// A filter that does nothing; only its identity matters here.
class InertFilter : public CTransformFilter {
public:
    explicit InertFilter(std::string name) : CTransformFilter(std::move(name), GUID_NULL) {}
    HRESULT CheckInputType(const CMediaType*) override { return E_FAIL; }
    HRESULT CheckTransform(const CMediaType*, const CMediaType*) override { return E_FAIL; }
    HRESULT DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) override { return E_FAIL; }
    HRESULT GetMediaType(int, CMediaType*) override { return VFW_S_NO_MORE_ITEMS; }
};

struct FakeEntry {
    std::map<std::string, std::string> properties;
    bool bindFails = false;
};

struct FakeWorld {
    std::map<GUID, std::vector<FakeEntry>> categories;
    bool classEnumeratorFails = false;
    int enumeratorsMade = 0;
    std::vector<std::string> bound;  // names of the entries bound, in order
};

class FakeMoniker : public FilterMoniker {
public:
    FakeMoniker(FakeWorld& world, FakeEntry entry) : world_(world), entry_(std::move(entry)) {}
    HRESULT ReadProperty(std::string_view name, std::string* value) override {
        auto it = entry_.properties.find(std::string(name));
        if (it == entry_.properties.end()) return E_FAIL;
        *value = it->second;
        return S_OK;
    }
    HRESULT BindToFilter(std::shared_ptr<IBaseFilter>* filter) override {
        if (entry_.bindFails) return E_FAIL;
        world_.bound.push_back(DisplayNameOf(*this));
        *filter = std::make_shared<InertFilter>(world_.bound.back());
        return S_OK;
    }

private:
    FakeWorld& world_;
    FakeEntry entry_;
};

class FakeEnumerator : public DeviceEnumerator {
public:
    explicit FakeEnumerator(FakeWorld& world) : world_(world) {}
    HRESULT CreateClassEnumerator(const GUID& category,
                                  std::vector<std::unique_ptr<FilterMoniker>>* monikers) override {
        if (world_.classEnumeratorFails) return E_FAIL;
        monikers->clear();
        for (const auto& e : world_.categories[category]) {
            monikers->push_back(std::make_unique<FakeMoniker>(world_, e));
        }
        return monikers->empty() ? S_FALSE : S_OK;
    }

private:
    FakeWorld& world_;
};

class FilterCatalogueTest : public testing::Test {
protected:
    FakeWorld world;
    FilterCatalogue catalogue{[this]() -> std::unique_ptr<DeviceEnumerator> {
        ++world.enumeratorsMade;
        return std::make_unique<FakeEnumerator>(world);
    }};

    void SetUp() override {
        world.categories[CLSID_AudioCompressorCategory] = {
            {{{"FriendlyName", "GSM 6.10"}}},
            {{{"FriendlyName", "ignored"}, {"Description", "Described Codec"}}},
            {{}},  // neither property: an empty name
            {{{"FriendlyName", "IMA ADPCM"}}},
            {{{"FriendlyName", "IMA ADPCM"}}},  // a second one of the same name
        };
    }
};

TEST_F(FilterCatalogueTest, ListsDisplayNamesInEnumerationOrder) {
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kAudioCompressors), S_OK);
    const std::vector<std::string> expected = {"GSM 6.10", "Described Codec", "", "IMA ADPCM",
                                               "IMA ADPCM"};
    EXPECT_EQ(catalogue.Names(FilterCatalogue::kAudioCompressors), expected);
    // Listing again replaces the list rather than appending to it.
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kAudioCompressors), S_OK);
    EXPECT_EQ(catalogue.Names(FilterCatalogue::kAudioCompressors), expected);
    EXPECT_TRUE(world.bound.empty()) << "listing binds nothing";
}

TEST_F(FilterCatalogueTest, CategoriesKeepSeparateLists) {
    world.categories[CLSID_VideoCompressorCategory] = {{{{"FriendlyName", "Cinepak"}}}};
    catalogue.ListNames(FilterCatalogue::kAudioCompressors);
    catalogue.ListNames(FilterCatalogue::kVideoCompressors);
    EXPECT_EQ(catalogue.Names(FilterCatalogue::kVideoCompressors),
              std::vector<std::string>{"Cinepak"});
    EXPECT_EQ(catalogue.Names(FilterCatalogue::kAudioCompressors).size(), 5u);
    EXPECT_EQ(catalogue.ListNames(7), E_INVALIDARG);
    EXPECT_TRUE(catalogue.Names(-1).empty());
}

TEST_F(FilterCatalogueTest, EmptyCategoryEndsWithSFalseAndAnEmptyList) {
    catalogue.ListNames(FilterCatalogue::kAudioCompressors);
    world.categories[CLSID_AudioCompressorCategory].clear();
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kAudioCompressors), S_FALSE);
    EXPECT_TRUE(catalogue.Names(FilterCatalogue::kAudioCompressors).empty());
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kVideoCompressors), S_FALSE);
}

TEST_F(FilterCatalogueTest, LookupBindsTheFirstExactMatchAndEmptiesTheList) {
    catalogue.ListNames(FilterCatalogue::kAudioCompressors);
    const auto names = catalogue.Names(FilterCatalogue::kAudioCompressors);
    std::shared_ptr<IBaseFilter> filter;
    EXPECT_EQ(catalogue.FindByName("IMA ADPCM", FilterCatalogue::kAudioCompressors, &filter), S_OK);
    ASSERT_TRUE(filter);
    EXPECT_EQ(world.bound, std::vector<std::string>{"IMA ADPCM"});  // only the first one
    EXPECT_TRUE(catalogue.Names(FilterCatalogue::kAudioCompressors).empty());
    EXPECT_EQ(names.size(), 5u) << "the copy taken before the lookup stays";

    EXPECT_EQ(catalogue.FindByName("Described Codec", FilterCatalogue::kAudioCompressors, &filter),
              S_OK);
    EXPECT_TRUE(filter);
    EXPECT_EQ(world.bound.back(), "Described Codec");
}

TEST_F(FilterCatalogueTest, LookupWithoutAMatchSucceedsAndHandsOutNothing) {
    std::shared_ptr<IBaseFilter> filter = std::make_shared<InertFilter>("stale");
    EXPECT_EQ(catalogue.FindByName("ima adpcm", FilterCatalogue::kAudioCompressors, &filter),
              S_OK);  // case matters
    EXPECT_FALSE(filter);
    EXPECT_EQ(catalogue.FindByName("IMA ADPCM ", FilterCatalogue::kAudioCompressors, &filter),
              S_OK);
    EXPECT_FALSE(filter);
    EXPECT_TRUE(world.bound.empty());
}

TEST_F(FilterCatalogueTest, FailuresAreThrownWithTheirTexts) {
    FilterCatalogue noEnumerator([] { return std::unique_ptr<DeviceEnumerator>(); });
    try {
        noEnumerator.ListNames(FilterCatalogue::kAudioCompressors);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create system enumerator");
    }

    world.classEnumeratorFails = true;
    try {
        catalogue.ListNames(FilterCatalogue::kAudioCompressors);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create class enumerator");
    }
    world.classEnumeratorFails = false;

    world.categories[CLSID_AudioCompressorCategory][0].bindFails = true;
    std::shared_ptr<IBaseFilter> filter;
    try {
        catalogue.FindByName("GSM 6.10", FilterCatalogue::kAudioCompressors, &filter);
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Failed to bind moniker to object");
    }
    EXPECT_FALSE(filter);
}

TEST(FilterCatalogueOverRegistry, ListsTheInstalledAudioCompressors) {
    FilterRegistry registry;
    media::RegisterAudioCompressors(registry);
    FilterCatalogue catalogue([&] { return MakeRegistryDeviceEnumerator(registry); });
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kAudioCompressors), S_OK);
    std::vector<std::string> expected;
    for (const auto& c : media::InstalledAudioCompressors()) expected.push_back(c.displayName);
    EXPECT_EQ(catalogue.Names(FilterCatalogue::kAudioCompressors), expected);
    EXPECT_EQ(catalogue.ListNames(FilterCatalogue::kVideoCompressors), S_FALSE);

    std::shared_ptr<IBaseFilter> filter;
    ASSERT_EQ(catalogue.FindByName("CCITT u-Law", FilterCatalogue::kAudioCompressors, &filter),
              S_OK);
    ASSERT_TRUE(filter);
    GUID clsid;
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, TarnelAudioCompressorClsid(0x0007));
}

}  // namespace
}  // namespace tarnel
