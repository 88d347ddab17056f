#pragma once
// The SQLite file behind the per-user key store: one file per user,
// $XDG_CONFIG_HOME/tarnel-audio-converter/registry.sqlite (~/.config when XDG_CONFIG_HOME is not
// set). Every open key holds its own connection, so threads and processes never share one.
//
// Two processes at once: the file runs in WAL mode with a busy time-out, so readers never wait
// for writers and a writer waits its turn instead of failing.
//
// A damaged file (SQLite reports "not a database" or corruption) is renamed aside to
// registry.sqlite.corrupt-<UTC time>, a fresh file is created in its place and one line is
// printed on standard error. A lock file makes sure that when several processes find the same
// damage, only one of them moves the file, and never a fresh file another one just created.
#include <sqlite3.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>

namespace tarnel::registry {

// The database file of the current user, from the environment at the time of the call; empty
// when neither XDG_CONFIG_HOME nor a home folder is known.
std::filesystem::path DatabasePath();

class RegistryDatabase {
public:
    // Opens the file, creating it (and its folder) when missing. A damaged file is replaced by a
    // fresh one. Nothing when the file cannot be opened or created.
    static std::unique_ptr<RegistryDatabase> Open(const std::filesystem::path& file);

    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    const std::filesystem::path& file() const { return file_; }

    // Called when a statement on this connection found the file damaged: moves it aside so the
    // next open starts afresh. This connection stays on the old file; its operations fail.
    void ReportDamage();

    // How long a connection waits for another writer before giving up, in milliseconds.
    static constexpr int kBusyTimeoutMs = 10000;

private:
    RegistryDatabase(sqlite3* db, std::filesystem::path file, dev_t device, ino_t inode,
                     sqlite3_int64 changesWhenOpened)
        : db_(db),
          file_(std::move(file)),
          device_(device),
          inode_(inode),
          changesWhenOpened_(changesWhenOpened) {}

    // A fresh connection may have written the schema: it counts as having written.
    static constexpr sqlite3_int64 kUnknownChanges = -1;

    sqlite3* db_;
    std::filesystem::path file_;
    // Identity of the file this connection opened, to tell it from a replacement.
    dev_t device_;
    ino_t inode_;
    // The connection's count of changed rows when this key took it; a key that changed nothing
    // has nothing to fold into the file when it leaves.
    sqlite3_int64 changesWhenOpened_;
    bool damaged_ = false;  // ReportDamage was called: the connection is not kept for reuse
};

}  // namespace tarnel::registry
