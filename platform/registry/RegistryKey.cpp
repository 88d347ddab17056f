#include "platform/registry/RegistryKey.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/registry/RegistryDatabase.h"
#include "platform/registry/SqliteStatement.h"

namespace tarnel::registry {

namespace {

constexpr char kSeparator = '\\';

std::vector<std::string> SplitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    while (!path.empty()) {
        const size_t end = path.find(kSeparator);
        const std::string_view name = path.substr(0, end);
        if (!name.empty()) names.emplace_back(name);
        if (end == std::string_view::npos) break;
        path.remove_prefix(end + 1);
    }
    return names;
}

std::string JoinKeyPath(std::string_view parent, std::string_view child) {
    if (parent.empty()) return std::string(child);
    if (child.empty()) return std::string(parent);
    std::string path(parent);
    path += kSeparator;
    path += child;
    return path;
}

// Runs a statement that returns no rows; SQLITE_DONE becomes SQLITE_OK.
int Run(SqliteStatement& statement) {
    const int rc = statement.Step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// A write transaction taken at once, so that it waits for another writer through the busy
// time-out instead of failing half-way; rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3* db) : db_(db), begin_(Exec(db, "BEGIN IMMEDIATE")) {}
    ~WriteTransaction() {
        if (begin_ == SQLITE_OK && !committed_) (void)Exec(db_, "ROLLBACK");
    }
    int beginResult() const { return begin_; }
    int Commit() {
        const int rc = Exec(db_, "COMMIT");
        committed_ = rc == SQLITE_OK;
        return rc;
    }

private:
    sqlite3* db_;
    int begin_;
    bool committed_ = false;
};

// True when the key exists; the root always does. The result code goes to *rc.
bool KeyExists(sqlite3* db, const std::string& path, int* rc) {
    if (path.empty()) {
        *rc = SQLITE_OK;
        return true;
    }
    SqliteStatement query(db, "SELECT 1 FROM reg_keys WHERE path = ?1");
    query.BindText(1, path);
    const int step = query.Step();
    *rc = step == SQLITE_ROW || step == SQLITE_DONE ? SQLITE_OK : step;
    return step == SQLITE_ROW;
}

}  // namespace

std::string NormalizeKeyPath(std::string_view path) {
    std::string joined;
    for (const std::string& name : SplitKeyPath(path)) joined = JoinKeyPath(joined, name);
    return joined;
}

RegistryKey::RegistryKey(std::unique_ptr<RegistryDatabase> db, std::string path)
    : db_(std::move(db)), path_(std::move(path)) {}

RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::Open(std::string_view path, Disposition disposition) {
    std::unique_ptr<RegistryDatabase> db = RegistryDatabase::Open(DatabasePath());
    if (!db) return std::nullopt;
    return OpenIn(std::move(db), NormalizeKeyPath(path), disposition);
}

std::optional<RegistryKey> RegistryKey::OpenSubKey(std::string_view relative,
                                                   Disposition disposition) const {
    if (!db_) return std::nullopt;
    std::unique_ptr<RegistryDatabase> db = RegistryDatabase::Open(db_->file());
    if (!db) return std::nullopt;
    return OpenIn(std::move(db), JoinKeyPath(path_, NormalizeKeyPath(relative)), disposition);
}

std::optional<RegistryKey> RegistryKey::OpenIn(std::unique_ptr<RegistryDatabase> db,
                                               std::string path, Disposition disposition) {
    RegistryKey key(std::move(db), std::move(path));
    sqlite3* handle = key.db_->handle();
    int rc = SQLITE_OK;
    // A read first: creating a key that exists is the common case and needs no write.
    if (KeyExists(handle, key.path_, &rc)) return key;
    if (key.Checked(rc) != SQLITE_OK || disposition != kCreate) return std::nullopt;

    WriteTransaction transaction(handle);
    if (key.Checked(transaction.beginResult()) != SQLITE_OK) return std::nullopt;
    std::string parent;
    for (const std::string& name : SplitKeyPath(key.path_)) {
        const std::string path = JoinKeyPath(parent, name);
        SqliteStatement insert(handle,
                               "INSERT OR IGNORE INTO reg_keys(path, parent, name) "
                               "VALUES(?1, ?2, ?3)");
        insert.BindText(1, path);
        insert.BindText(2, parent);
        insert.BindText(3, name);
        if (key.Checked(Run(insert)) != SQLITE_OK) return std::nullopt;
        parent = path;
    }
    if (key.Checked(transaction.Commit()) != SQLITE_OK) return std::nullopt;
    return key;
}

int RegistryKey::Checked(int result) const {
    if (IsDamageResult(result) && db_) db_->ReportDamage();
    return result;
}

std::optional<RegistryValue> RegistryKey::QueryValue(std::string_view name, size_t maxBytes) const {
    if (!db_) return std::nullopt;
    // length() does not load the data, so an oversized value is refused without reading it.
    SqliteStatement query(db_->handle(),
                          "SELECT type, length(data), "
                          "CASE WHEN length(data) <= ?3 THEN data END "
                          "FROM reg_values WHERE key = ?1 AND name = ?2");
    query.BindText(1, path_);
    query.BindText(2, name);
    query.BindInt(3, static_cast<int64_t>(std::min(maxBytes, kMaxValueBytes)));
    const int rc = Checked(query.Step());
    if (rc != SQLITE_ROW) return std::nullopt;
    if (query.ColumnIsNull(2)) return std::nullopt;  // larger than the caller's buffer
    const int64_t type = query.ColumnInt(0);
    if (type < 0 || type > UINT32_MAX) return std::nullopt;
    RegistryValue value;
    value.type = static_cast<uint32_t>(type);
    const std::span<const uint8_t> data = query.ColumnBlob(2);
    value.data.assign(data.begin(), data.end());
    return value;
}

bool RegistryKey::SetValue(std::string_view name, uint32_t type, std::span<const uint8_t> data) {
    if (!db_ || data.size() > kMaxValueBytes) return false;
    // One statement: the value is written only while the key still exists.
    SqliteStatement upsert(db_->handle(),
                           "INSERT INTO reg_values(key, name, type, data) "
                           "SELECT ?1, ?2, ?3, ?4 "
                           "WHERE ?1 = '' OR EXISTS(SELECT 1 FROM reg_keys WHERE path = ?1) "
                           "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                           "data = excluded.data");
    upsert.BindText(1, path_);
    upsert.BindText(2, name);
    upsert.BindInt(3, type);
    upsert.BindBlob(4, data);
    if (Checked(Run(upsert)) != SQLITE_OK) return false;
    return sqlite3_changes(db_->handle()) > 0;
}

bool RegistryKey::DeleteValue(std::string_view name) {
    if (!db_) return false;
    SqliteStatement remove(db_->handle(), "DELETE FROM reg_values WHERE key = ?1 AND name = ?2");
    remove.BindText(1, path_);
    remove.BindText(2, name);
    if (Checked(Run(remove)) != SQLITE_OK) return false;
    return sqlite3_changes(db_->handle()) > 0;
}

std::optional<std::vector<ValueInfo>> RegistryKey::EnumValues() const {
    if (!db_) return std::nullopt;
    SqliteStatement query(db_->handle(),
                          "SELECT name, type, length(data) FROM reg_values WHERE key = ?1 "
                          "ORDER BY name");
    query.BindText(1, path_);
    std::vector<ValueInfo> values;
    int rc;
    while ((rc = Checked(query.Step())) == SQLITE_ROW) {
        ValueInfo info;
        info.name = query.ColumnText(0);
        info.type = static_cast<uint32_t>(query.ColumnInt(1));
        info.size = static_cast<size_t>(query.ColumnInt(2));
        values.push_back(std::move(info));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return values;
}

std::optional<std::vector<std::string>> RegistryKey::EnumSubKeys() const {
    if (!db_) return std::nullopt;
    SqliteStatement query(db_->handle(),
                          "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY name");
    query.BindText(1, path_);
    std::vector<std::string> names;
    int rc;
    while ((rc = Checked(query.Step())) == SQLITE_ROW) names.emplace_back(query.ColumnText(0));
    if (rc != SQLITE_DONE) return std::nullopt;
    return names;
}

bool RegistryKey::DeleteSubKey(std::string_view relative) {
    if (!db_) return false;
    const std::string path = NormalizeKeyPath(relative);
    if (path.empty()) return false;
    const std::string full = JoinKeyPath(path_, path);
    sqlite3* handle = db_->handle();
    WriteTransaction transaction(handle);
    if (Checked(transaction.beginResult()) != SQLITE_OK) return false;
    {
        SqliteStatement children(handle, "SELECT 1 FROM reg_keys WHERE parent = ?1 LIMIT 1");
        children.BindText(1, full);
        if (Checked(children.Step()) != SQLITE_DONE) return false;  // has sub-keys, or failed
    }
    SqliteStatement removeKey(handle, "DELETE FROM reg_keys WHERE path = ?1");
    removeKey.BindText(1, full);
    if (Checked(Run(removeKey)) != SQLITE_OK || sqlite3_changes(handle) == 0) return false;
    SqliteStatement removeValues(handle, "DELETE FROM reg_values WHERE key = ?1");
    removeValues.BindText(1, full);
    if (Checked(Run(removeValues)) != SQLITE_OK) return false;
    return Checked(transaction.Commit()) == SQLITE_OK;
}

}  // namespace tarnel::registry
