#pragma once
// The content of the single stream of a session file, as bytes. All integers are little-endian:
//
//   u32 count                      number of records that follow
//   count records, each:
//     u32 pathLength               bytes of the path, no terminator
//     pathLength bytes             the path (UTF-8 here)      -- only when pathLength > 0
//     i32 status                   FileStatus code             -- only when pathLength > 0
//     i32 ticked                   1 = ticked, anything else = not ticked
//
// A record with pathLength 0 is the short form: just the length and the tick. There is no
// signature, version or checksum; the container and the stream name identify the file.
//
// Decoding trusts nothing in the bytes: it walks what the stream really holds, never allocates
// more than the stream's size, and stops at the first record that does not fit.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/FileStatus.h"

namespace tarnel {

// The one stream of a session file (a UTF-16 name inside the compound file).
inline constexpr char kSessionStreamName[] = "Tarnel Audio Converter";

struct SessionRecord {
    std::string path;  // empty: the short form, which stores no path and no status
    FileStatus status = FileStatus::Idle;
    bool ticked = false;

    bool operator==(const SessionRecord&) const = default;
};

std::vector<uint8_t> EncodeSessionStream(const std::vector<SessionRecord>& records);

struct DecodedSession {
    std::vector<SessionRecord> records;  // the complete records, in stream order
    uint32_t declaredCount = 0;          // what the count field claims (0 when it is cut short)
    // False when the stream ended before the declared records did; the records read so far are
    // still returned.
    bool complete = true;
};

// A path ends at its first zero byte; the status keeps whatever code was stored; a tick is set
// only by the value 1.
DecodedSession DecodeSessionStream(std::span<const uint8_t> bytes);

}  // namespace tarnel
