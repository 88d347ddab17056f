// Feeds arbitrary bytes to the reader of a session file's stream. Anything may be cut short;
// nothing may crash, read past the bytes or allocate by the stream's own claims, and whatever
// was read must come back unchanged through the writer.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/SessionStream.h"

using namespace tarnel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const DecodedSession decoded = DecodeSessionStream(bytes);

    // Every record takes at least 8 bytes of the stream and a path no more than it holds.
    size_t taken = 4;
    for (const SessionRecord& record : decoded.records) {
        taken += record.path.empty() ? 8 : 12 + record.path.size();
        for (char c : record.path) {
            if (c == '\0') __builtin_trap();
        }
    }
    if (!decoded.records.empty() && taken > size) __builtin_trap();
    if (decoded.records.size() > decoded.declaredCount) __builtin_trap();
    // Complete exactly when the count field and every record it declares were there.
    if (decoded.complete != (size >= 4 && decoded.records.size() == decoded.declaredCount)) {
        __builtin_trap();
    }

    // Writing what was read and reading it again gives the same records; a record whose path
    // was emptied by a leading zero byte is written in the short form, which stores no status.
    std::vector<SessionRecord> expected = decoded.records;
    for (SessionRecord& record : expected) {
        if (record.path.empty()) record.status = FileStatus::Idle;
    }
    const std::vector<uint8_t> again = EncodeSessionStream(decoded.records);
    const DecodedSession reread = DecodeSessionStream(again);
    if (!reread.complete || reread.records != expected) __builtin_trap();
    return 0;
}
