#include "app/SessionStream.h"

#include <algorithm>
#include <cstring>

#include "framework/ByteOrder.h"

namespace tarnel {

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Sequential little-endian reads over the stream's bytes; a read past the end fails and takes
// nothing.
class StreamCursor {
public:
    explicit StreamCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t Remaining() const { return bytes_.size() - at_; }

    bool ReadU32(uint32_t& value) {
        if (Remaining() < 4) return false;
        const uint8_t* p = bytes_.data() + at_;
        value = ReadLe32(p);
        at_ += 4;
        return true;
    }
    bool ReadI32(int32_t& value) {
        uint32_t raw = 0;
        if (!ReadU32(raw)) return false;
        value = static_cast<int32_t>(raw);
        return true;
    }
    // The next `length` bytes, or nothing when the stream holds fewer.
    bool Take(uint64_t length, std::span<const uint8_t>& out) {
        if (length > Remaining()) return false;
        out = bytes_.subspan(at_, static_cast<size_t>(length));
        at_ += static_cast<size_t>(length);
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

}  // namespace

std::vector<uint8_t> EncodeSessionStream(const std::vector<SessionRecord>& records) {
    std::vector<uint8_t> out;
    size_t size = 4;
    for (const auto& record : records) size += 12 + record.path.size();
    out.reserve(size);
    PutU32(out, static_cast<uint32_t>(records.size()));
    for (const auto& record : records) {
        PutU32(out, static_cast<uint32_t>(record.path.size()));
        if (!record.path.empty()) {
            out.insert(out.end(), record.path.begin(), record.path.end());
            PutU32(out, static_cast<uint32_t>(static_cast<int32_t>(record.status)));
        }
        PutU32(out, record.ticked ? 1u : 0u);
    }
    return out;
}

DecodedSession DecodeSessionStream(std::span<const uint8_t> bytes) {
    DecodedSession decoded;
    StreamCursor cursor(bytes);
    if (!cursor.ReadU32(decoded.declaredCount)) {
        decoded.complete = false;
        return decoded;
    }
    // The smallest record (the short form) takes 8 bytes, so the stream bounds the count
    // whatever the count field claims.
    decoded.records.reserve(std::min<size_t>(decoded.declaredCount, cursor.Remaining() / 8));
    for (uint32_t i = 0; i < decoded.declaredCount; ++i) {
        SessionRecord record;
        uint32_t pathLength = 0;
        if (!cursor.ReadU32(pathLength)) break;
        if (pathLength > 0) {
            std::span<const uint8_t> path;
            int32_t status = 0;
            if (!cursor.Take(pathLength, path) || !cursor.ReadI32(status)) break;
            const auto zero = std::find(path.begin(), path.end(), uint8_t{0});
            record.path.assign(path.begin(), zero);
            // Any stored code is kept; the list decides how to show it.
            record.status = static_cast<FileStatus>(status);
        }
        int32_t ticked = 0;
        if (!cursor.ReadI32(ticked)) break;
        record.ticked = ticked == 1;
        decoded.records.push_back(std::move(record));
    }
    decoded.complete = decoded.records.size() == decoded.declaredCount;
    return decoded;
}

}  // namespace tarnel
