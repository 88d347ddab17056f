#pragma once
// A test fixture that gives every test a fresh temporary folder and points the per-user
// locations (config, home, music, temp) into it, so tests never touch the real user's settings
// and never see each other's files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace tarnel::test {

// Creates a unique folder under the system temp folder; removes it with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

class IsolatedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& root() const { return temp_->path(); }
    std::filesystem::path configDir() const { return root() / "config"; }
    std::filesystem::path homeDir() const { return root() / "home"; }
    std::filesystem::path workDir() const { return root() / "work"; }

    // Sets an environment variable for this test only; restored in TearDown.
    void setEnv(const std::string& name, const std::optional<std::string>& value);

private:
    std::optional<TempDir> temp_;
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace tarnel::test
