#include "platform/registry/RegistryDatabase.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry/SqliteStatement.h"
#include "platform/shell/UserFolders.h"

namespace tarnel::registry {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "tarnel-audio-converter";
constexpr const char* kFileName = "registry.sqlite";

constexpr const char* kSchemaPresent =
    "SELECT count(*) FROM sqlite_master WHERE type = 'table' "
    "AND name IN ('reg_keys', 'reg_values')";

// Keys and value names compare without regard to ASCII case, as the registry's do; the first
// spelling written is the one kept.
constexpr const char* kSchema =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  path TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,"
    "  parent TEXT NOT NULL COLLATE NOCASE,"
    "  name TEXT NOT NULL) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS reg_keys_by_parent ON reg_keys(parent);"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  key TEXT NOT NULL COLLATE NOCASE,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, name)) WITHOUT ROWID;"
    "PRAGMA user_version = 1;"
    "COMMIT;";

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folder holds the user's settings: readable by the user alone.
bool EnsureFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    fs::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return fs::is_directory(folder, ec);
}

int Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// Settings for this connection and the tables, created when missing. The first failing result.
int PrepareConnection(sqlite3* db) {
    (void)sqlite3_extended_result_codes(db, 1);
    (void)sqlite3_busy_timeout(db, RegistryDatabase::kBusyTimeoutMs);
    // WAL lets readers and one writer work at once; it stays set in the file. A file system
    // without shared memory keeps the old journal, which is slower but still correct.
    int rc = Exec(db, "PRAGMA journal_mode = WAL");
    if (IsDamageResult(rc)) return rc;
    rc = Exec(db, "PRAGMA synchronous = NORMAL");
    if (IsDamageResult(rc)) return rc;
    {
        SqliteStatement present(db, kSchemaPresent);
        rc = present.Step();
        if (rc != SQLITE_ROW) return rc;
        if (present.ColumnInt(0) == 2) return SQLITE_OK;
    }
    rc = Exec(db, kSchema);
    if (rc != SQLITE_OK) (void)Exec(db, "ROLLBACK");  // nothing to roll back is no error here
    return rc;
}

std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

// Moves the damaged file (and its journals) aside, unless another process already did and the
// file at the path is no longer the one found damaged.
void MoveAside(const fs::path& file, const struct stat& damaged) {
    const std::string lockPath = file.string() + ".lock";
    const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return;
    while (::flock(lock, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(lock);
            return;
        }
    }
    struct stat current {};
    if (::stat(file.c_str(), &current) == 0 && SameFile(current, damaged)) {
        const std::string base = file.string() + ".corrupt-" + UtcStamp();
        std::string aside = base;
        std::error_code ec;
        for (int n = 2; fs::exists(aside, ec) && n < 1000; ++n) {
            aside = base + "-" + std::to_string(n);
        }
        if (::rename(file.c_str(), aside.c_str()) == 0) {
            // A journal left beside a fresh file would be replayed into it.
            for (const char* suffix : {"-wal", "-journal"}) {
                const std::string from = file.string() + suffix;
                const std::string to = aside + suffix;
                (void)::rename(from.c_str(), to.c_str());  // usually there is none
            }
            (void)::unlink((file.string() + "-shm").c_str());  // rebuilt by the next open
            std::fprintf(stderr,
                         "tarnel: the settings database %s was damaged; moved it to %s and "
                         "started a fresh one\n",
                         file.c_str(), aside.c_str());
            std::fflush(stderr);
        }
    }
    ::close(lock);  // releases the lock
}

// Every open and close of a connection costs a schema check, the WAL set-up and, for the last
// connection of the file, a checkpoint; the program opens one key after another dozens of times
// while it starts. So a connection whose key was closed waits here for the next key of the same
// file. It is taken again only while the file is unchanged on disk (the same inode, size and
// modification time as when it was put here), so a file replaced or damaged meanwhile gets a
// fresh connection and the full checks. A connection is never shared by two open keys.
class IdleConnections {
public:
    ~IdleConnections() {
        std::lock_guard lock(mutex_);
        for (const Idle& idle : idle_) Close(idle);
        idle_.clear();
        gone_ = true;
    }

    // A connection to `file` left while the file looked as `now` does, or null.
    sqlite3* Take(const fs::path& file, const struct stat& now) {
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            if (it->file != file) continue;
            const Idle idle = *it;
            idle_.erase(it);
            if (Unchanged(idle.state, now)) return idle.db;
            Close(idle);
            return nullptr;
        }
        return nullptr;
    }

    // Keeps the connection for the next key, or closes it. What the key wrote (`wrote`) is folded
    // into the file first, as closing would do, so that the file on disk is complete while the
    // connection waits and a connection found stale later has nothing left to write into it.
    static void Leave(sqlite3* db, const fs::path& file, bool wrote) {
        if (wrote && sqlite3_get_autocommit(db) != 0) {
            (void)sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                            nullptr);
        }
        struct stat state {};
        const bool known = ::stat(file.c_str(), &state) == 0;
        std::lock_guard lock(mutex_);
        if (!known || gone_ || sqlite3_get_autocommit(db) == 0) {
            CloseConnection(db);
            return;
        }
        if (idle_.size() == kMaxIdle) {  // the oldest goes
            Close(idle_.front());
            idle_.erase(idle_.begin());
        }
        idle_.push_back(Idle{db, file, state});
    }

private:
    struct Idle {
        sqlite3* db;
        fs::path file;
        struct stat state;
    };

    // Closing the last connection of a file folds the WAL into it and deletes the WAL by name.
    // When the file at the path is another one now (moved aside by another process), that name
    // belongs to the new file's WAL: such a connection closes without either. Leave has folded
    // in all it wrote, so nothing is lost.
    static void Close(const Idle& idle) {
        struct stat now {};
        if (::stat(idle.file.c_str(), &now) != 0 || !SameFile(now, idle.state)) {
            (void)sqlite3_db_config(idle.db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        }
        CloseConnection(idle.db);
    }

    static bool Unchanged(const struct stat& a, const struct stat& b) {
        return SameFile(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
               a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
    }

    static constexpr size_t kMaxIdle = 4;
    // Static so that a key destroyed after this object (at process exit) still finds out that
    // the pool is gone and closes its connection itself.
    static inline std::mutex mutex_;
    static inline std::vector<Idle> idle_;
    static inline bool gone_ = false;
};

IdleConnections& IdlePool() {
    static IdleConnections pool;
    return pool;
}

}  // namespace

fs::path DatabasePath() {
    const fs::path config = shell::ConfigFolder();
    if (config.empty()) return {};
    return config / kFolderName / kFileName;
}

std::unique_ptr<RegistryDatabase> RegistryDatabase::Open(const fs::path& file) {
    if (file.empty() || !EnsureFolder(file.parent_path())) return nullptr;
    IdleConnections& pool = IdlePool();  // first: it closes the connections it keeps at exit
    // A second attempt after moving a damaged file aside; a fresh file that fails is not retried.
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat before {};
        const bool existed = ::stat(file.c_str(), &before) == 0;
        if (sqlite3* reused = existed ? pool.Take(file, before) : nullptr) {
            return std::unique_ptr<RegistryDatabase>(new RegistryDatabase(
                reused, file, before.st_dev, before.st_ino, sqlite3_total_changes64(reused)));
        }
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(file.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc == SQLITE_OK) rc = PrepareConnection(db);
        if (rc == SQLITE_OK) {
            struct stat opened {};
            if (::stat(file.c_str(), &opened) != 0) opened = before;
            return std::unique_ptr<RegistryDatabase>(
                new RegistryDatabase(db, file, opened.st_dev, opened.st_ino, kUnknownChanges));
        }
        CloseConnection(db);
        if (!IsDamageResult(rc) || !existed) return nullptr;
        struct stat now {};
        if (::stat(file.c_str(), &now) == 0 && SameFile(now, before)) MoveAside(file, before);
    }
    return nullptr;
}

RegistryDatabase::~RegistryDatabase() {
    // Every statement is finalized by then. A connection to a file found damaged is closed.
    if (damaged_) {
        CloseConnection(db_);
    } else {
        IdleConnections::Leave(db_, file_, sqlite3_total_changes64(db_) != changesWhenOpened_);
    }
}

void RegistryDatabase::ReportDamage() {
    damaged_ = true;
    struct stat identity {};
    identity.st_dev = device_;
    identity.st_ino = inode_;
    MoveAside(file_, identity);
}

}  // namespace tarnel::registry
