#include "platform/registry/SqliteStatement.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace tarnel::registry {

namespace {

// SQLite reads a null pointer with length 0 as NULL; an empty blob needs a real address.
const uint8_t kEmpty = 0;

struct ParkedStatement {
    sqlite3* db;
    sqlite3_stmt* statement;
};

// Statements not in use, by connection. Connections move between threads through the pool, so
// the list is shared and locked. Constant-initialised, so it outlives the pool of connections
// that is closed at exit.
constinit std::mutex g_parkedMutex;
constinit std::vector<ParkedStatement> g_parked;
// The key store runs about a dozen statement texts on a few pooled connections.
constexpr size_t kMaxParked = 64;

sqlite3_stmt* TakeParked(sqlite3* db, std::string_view sql) {
    std::lock_guard lock(g_parkedMutex);
    const auto it = std::find_if(g_parked.begin(), g_parked.end(), [&](const ParkedStatement& p) {
        return p.db == db && sql == sqlite3_sql(p.statement);
    });
    if (it == g_parked.end()) return nullptr;
    sqlite3_stmt* statement = it->statement;
    g_parked.erase(it);
    return statement;
}

// False when the list is full: the caller finalizes the statement instead.
bool Park(sqlite3* db, sqlite3_stmt* statement) {
    std::lock_guard lock(g_parkedMutex);
    if (g_parked.size() >= kMaxParked) return false;
    g_parked.push_back(ParkedStatement{db, statement});
    return true;
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    statement_ = TakeParked(db, sql);
    if (statement_ != nullptr) return;
    prepareResult_ = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (prepareResult_ == SQLITE_OK && statement_ == nullptr) prepareResult_ = SQLITE_MISUSE;
}

SqliteStatement::~SqliteStatement() {
    if (statement_ == nullptr) return;
    // Both repeat the last step's error, already handled.
    (void)sqlite3_reset(statement_);
    (void)sqlite3_clear_bindings(statement_);
    if (!Park(db_, statement_)) (void)sqlite3_finalize(statement_);
}

void CloseConnection(sqlite3* db) {
    {
        std::lock_guard lock(g_parkedMutex);
        std::erase_if(g_parked, [db](const ParkedStatement& p) {
            if (p.db != db) return false;
            (void)sqlite3_finalize(p.statement);
            return true;
        });
    }
    (void)sqlite3_close_v2(db);
}

void SqliteStatement::BindText(int index, std::string_view text) {
    if (statement_ == nullptr) return;
    sqlite3_bind_text64(statement_, index, text.empty() ? "" : text.data(), text.size(),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::BindBlob(int index, std::span<const uint8_t> bytes) {
    if (statement_ == nullptr) return;
    sqlite3_bind_blob64(statement_, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(),
                        SQLITE_TRANSIENT);
}

void SqliteStatement::BindInt(int index, int64_t value) {
    if (statement_ == nullptr) return;
    sqlite3_bind_int64(statement_, index, value);
}

int SqliteStatement::Step() {
    if (statement_ == nullptr) return prepareResult_ == SQLITE_OK ? SQLITE_MISUSE : prepareResult_;
    return sqlite3_step(statement_);
}

int64_t SqliteStatement::ColumnInt(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string_view SqliteStatement::ColumnText(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    if (text == nullptr || size <= 0) return {};
    return {reinterpret_cast<const char*>(text), static_cast<size_t>(size)};
}

std::span<const uint8_t> SqliteStatement::ColumnBlob(int column) const {
    const void* blob = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    if (blob == nullptr || size <= 0) return {};
    return {static_cast<const uint8_t*>(blob), static_cast<size_t>(size)};
}

bool SqliteStatement::ColumnIsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace tarnel::registry
