#include "app/PrivateTempDir.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace tarnel {

namespace {

// The per-process folders, one per system temporary folder seen (TMPDIR may change while the
// process runs, as it does between tests); all are removed at normal process exit.
class ProcessFolders {
public:
    ~ProcessFolders() { RemoveAll(); }

    void RemoveAll() {
        // A forked child inherits the list but must not remove its parent's folders.
        if (owner_ != ::getpid()) return;
        std::lock_guard lock(mutex_);
        for (const auto& folder : folders_) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    }

    std::filesystem::path RootFor(std::string* error) {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
        std::lock_guard lock(mutex_);
        for (const auto& folder : folders_) {
            if (folder.parent_path() == base && std::filesystem::is_directory(folder, ec)) {
                return folder;
            }
        }
        std::string pattern =
            (base / ("tarnel-" + std::to_string(::getpid()) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            if (error) {
                *error = "cannot create a temporary folder in \"" + base.string() + "\" (" +
                         std::strerror(errno) + ")";
            }
            return {};
        }
        folders_.emplace_back(pattern);
        return folders_.back();
    }

private:
    std::mutex mutex_;
    std::vector<std::filesystem::path> folders_;  // guarded by mutex_
    const pid_t owner_ = ::getpid();
};

ProcessFolders& TheProcessFolders() {
    static ProcessFolders folders;  // thread-safe first use; destroyed at exit
    return folders;
}

}  // namespace

void PrivateTempDir::RemoveProcessFolders() {
    TheProcessFolders().RemoveAll();
}

std::filesystem::path PrivateTempDir::ProcessRoot(std::string* error) {
    return TheProcessFolders().RootFor(error);
}

std::optional<PrivateTempDir> PrivateTempDir::Create(std::string* error) {
    const std::filesystem::path root = ProcessRoot(error);
    if (root.empty()) return std::nullopt;
    std::string pattern = (root / "doc-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        if (error) {
            *error = "cannot create a temporary folder in \"" + root.string() + "\" (" +
                     std::strerror(errno) + ")";
        }
        return std::nullopt;
    }
    return PrivateTempDir(std::filesystem::path(pattern));
}

PrivateTempDir::PrivateTempDir(PrivateTempDir&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

PrivateTempDir& PrivateTempDir::operator=(PrivateTempDir&& other) noexcept {
    if (this != &other) {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

PrivateTempDir::~PrivateTempDir() {
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

}  // namespace tarnel
