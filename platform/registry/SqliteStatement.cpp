#include "platform/registry/SqliteStatement.h"

namespace tarnel::registry {

namespace {
// SQLite reads a null pointer with length 0 as NULL; an empty blob needs a real address.
const uint8_t kEmpty = 0;
}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
    prepareResult_ =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
    if (prepareResult_ == SQLITE_OK && statement_ == nullptr) prepareResult_ = SQLITE_MISUSE;
}

SqliteStatement::~SqliteStatement() {
    (void)sqlite3_finalize(statement_);  // repeats the last step's error, already handled
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
