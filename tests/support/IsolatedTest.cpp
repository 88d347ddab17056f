#include "tests/support/IsolatedTest.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace tarnel::test {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void IsolatedTest::SetUp() {
    temp_.emplace();
    std::filesystem::create_directories(configDir());
    std::filesystem::create_directories(homeDir());
    std::filesystem::create_directories(workDir());
    std::filesystem::create_directories(root() / "tmp");
    setEnv("XDG_CONFIG_HOME", configDir().string());
    setEnv("HOME", homeDir().string());
    setEnv("XDG_MUSIC_DIR", std::nullopt);
    setEnv("TMPDIR", (root() / "tmp").string());
}

void IsolatedTest::TearDown() {
    for (auto& [name, value] : saved_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    saved_.clear();
    temp_.reset();
}

void IsolatedTest::setEnv(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.contains(name)) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

}  // namespace tarnel::test
