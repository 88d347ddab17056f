#pragma once
// Private temporary folders. The first use creates one folder per process (mode 0700) under the
// system temporary folder ($TMPDIR, else /tmp); it is removed with its content when the process
// exits normally. Each PrivateTempDir is a folder of its own inside it, so two documents of one
// process, and two processes, never write into the same temporary file.
#include <filesystem>
#include <optional>
#include <string>

namespace tarnel {

class PrivateTempDir {
public:
    // Creates the folder; nothing (and the reason in *error) when the system refuses.
    static std::optional<PrivateTempDir> Create(std::string* error = nullptr);

    PrivateTempDir(PrivateTempDir&& other) noexcept;
    PrivateTempDir& operator=(PrivateTempDir&& other) noexcept;
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;
    ~PrivateTempDir();  // removes the folder with its content

    const std::filesystem::path& path() const { return path_; }

    // The per-process folder under the current system temporary folder, created on first use;
    // empty when it cannot be created.
    static std::filesystem::path ProcessRoot(std::string* error = nullptr);
    // Removes every per-process folder with its content now, for a process that must end
    // without waiting for its threads (they may still hold a PrivateTempDir). Any thread.
    static void RemoveProcessFolders();

private:
    explicit PrivateTempDir(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};

}  // namespace tarnel
