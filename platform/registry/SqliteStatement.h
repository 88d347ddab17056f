#pragma once
// A prepared SQLite statement. Preparing costs more than running the short statements of the key
// store, and a pooled connection runs the same few again and again: so a statement is parked on
// its connection when done with (reset, bindings cleared) and taken again by the next statement
// of the same text on that connection. Used by one thread at a time, like its connection; close a
// connection with CloseConnection, which finalizes what is parked on it.
#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace tarnel::registry {

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The result of preparing: SQLITE_OK, or why the statement could not be prepared.
    int prepareResult() const { return prepareResult_; }

    // Parameters are numbered from 1. Text and blobs are copied by SQLite.
    void BindText(int index, std::string_view text);
    void BindBlob(int index, std::span<const uint8_t> bytes);
    void BindInt(int index, int64_t value);

    // SQLITE_ROW, SQLITE_DONE or an error code (the preparing error when preparing failed).
    int Step();

    int64_t ColumnInt(int column) const;
    std::string_view ColumnText(int column) const;
    std::span<const uint8_t> ColumnBlob(int column) const;
    bool ColumnIsNull(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    int prepareResult_ = SQLITE_OK;
};

// Finalizes the statements parked on `db` and closes it.
void CloseConnection(sqlite3* db);

// True for the result codes that say the file is not a sound database.
inline bool IsDamageResult(int result) {
    const int primary = result & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

}  // namespace tarnel::registry
