#pragma once
// A fresh filter registry with the system filters and the audio compressors for every test,
// on top of the isolated settings and temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::test {

class EngineTest : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterSystemFilters(registry);
        media::RegisterAudioCompressors(registry);
        std::filesystem::create_directories(workDir());
    }

    static bool Contains(const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    FilterRegistry registry;
};

}  // namespace tarnel::test
