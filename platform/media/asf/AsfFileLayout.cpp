#include "platform/media/asf/AsfFileLayout.h"

#include <algorithm>
#include <array>
#include <vector>

#include "framework/ByteOrder.h"
#include "framework/Guid.h"
#include "framework/WaveFormat.h"
#include "platform/media/io/PosixFile.h"
#include "platform/media/io/ResultFromErrno.h"

namespace tarnel::media {
namespace {

constexpr uint64_t kObjectHeaderSize = 24;      // GUID + 64-bit size
constexpr uint64_t kDataObjectHeaderSize = 50;  // + file id, packet count, reserved
constexpr uint64_t kSimpleIndexHeaderSize = 56;
constexpr uint32_t kMaxHeaderObjects = 100000;  // a header's own count field is not trusted
constexpr uint32_t kMinPacketSize = 24;
constexpr uint32_t kMaxPacketSize = 1 << 20;

struct ObjectHeader {
    GUID id;
    uint64_t size = 0;
};

std::optional<ObjectHeader> ReadObjectHeader(ByteSource& file, uint64_t offset, uint64_t limit) {
    if (offset > limit || limit - offset < kObjectHeaderSize) return std::nullopt;
    std::array<uint8_t, kObjectHeaderSize> bytes;
    if (!file.ReadAt(offset, bytes)) return std::nullopt;
    ObjectHeader header{GUID::FromBytes(bytes), ReadLe64(bytes.data() + 16)};
    if (header.size < kObjectHeaderSize || header.size > limit - offset) return std::nullopt;
    return header;
}

// Reads a variable-length field of the given length type (0 none, 1 byte, 2 word, 3 dword).
bool ReadVar(std::span<const uint8_t> packet, size_t* at, int type, uint32_t* value) {
    static constexpr size_t kSizes[] = {0, 1, 2, 4};
    const size_t size = kSizes[type & 3];
    if (packet.size() - *at < size) return false;
    const uint8_t* p = packet.data() + *at;
    *value = size == 0 ? 0 : size == 1 ? p[0] : size == 2 ? ReadLe16(p) : ReadLe32(p);
    *at += size;
    return true;
}

class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(const PosixFile& file, uint64_t size) : file_(file), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        if (offset > size_ || out.size() > size_ - offset) return false;
        return file_.ReadAt(offset, out) == 0;
    }

private:
    const PosixFile& file_;
    uint64_t size_;
};

}  // namespace

std::optional<AsfFileLayout> ReadAsfLayout(ByteSource& file) {
    const uint64_t size = file.Size();
    auto header = ReadObjectHeader(file, 0, size);
    if (!header || header->id != kAsfHeaderObject || header->size < 30) return std::nullopt;

    AsfFileLayout layout;
    bool haveProperties = false;
    uint64_t at = 30;  // object header, count, two reserved bytes
    for (uint32_t i = 0; i < kMaxHeaderObjects && at < header->size; ++i) {
        auto object = ReadObjectHeader(file, at, header->size);
        if (!object) return std::nullopt;
        if (object->id == kAsfFilePropertiesObject) {
            if (object->size < 104) return std::nullopt;
            std::array<uint8_t, 80> p;
            if (!file.ReadAt(at + kObjectHeaderSize, p)) return std::nullopt;
            layout.filePropertiesOffset = at;
            layout.fileId = GUID::FromBytes(p);
            layout.fileSize = ReadLe64(p.data() + 16);
            layout.playDuration = ReadLe64(p.data() + 40);
            layout.preroll = ReadLe64(p.data() + 56);
            const uint32_t minPacket = ReadLe32(p.data() + 68);
            const uint32_t maxPacket = ReadLe32(p.data() + 72);
            if (minPacket != maxPacket || minPacket < kMinPacketSize ||
                minPacket > kMaxPacketSize) {
                return std::nullopt;
            }
            layout.packetSize = minPacket;
            haveProperties = true;
        }
        at += object->size;
    }
    if (!haveProperties) return std::nullopt;

    auto data = ReadObjectHeader(file, header->size, size);
    if (!data || data->id != kAsfDataObject || data->size < kDataObjectHeaderSize) {
        return std::nullopt;
    }
    std::array<uint8_t, 8> count;
    if (!file.ReadAt(header->size + 40, count)) return std::nullopt;
    layout.dataOffset = header->size;
    layout.dataSize = data->size;
    layout.packetCount = ReadLe64(count.data());
    if ((data->size - kDataObjectHeaderSize) / layout.packetSize < layout.packetCount) {
        return std::nullopt;
    }

    at = header->size + data->size;
    for (uint32_t i = 0; i < kMaxHeaderObjects && at < size; ++i) {
        auto object = ReadObjectHeader(file, at, size);
        if (!object) break;  // trailing bytes that are no object
        if (object->id == kAsfSimpleIndexObject) {
            layout.hasSimpleIndex = true;
            layout.simpleIndexOffset = at;
        }
        if (object->id == kAsfIndexObject) layout.hasIndex = true;
        at += object->size;
    }
    return layout;
}

std::optional<uint32_t> AsfPacketSendTime(std::span<const uint8_t> packet) {
    size_t at = 0;
    if (packet.empty()) return std::nullopt;
    if (packet[0] & 0x80) {  // error correction data: flags byte, then its length
        const size_t length = packet[0] & 0x0F;
        if (packet[0] & 0x60) return std::nullopt;  // only the 0x82 form is defined
        at = 1 + length;
    }
    if (packet.size() < at + 2) return std::nullopt;
    const uint8_t lengthFlags = packet[at];
    const uint8_t propertyFlags = packet[at + 1];
    (void)propertyFlags;  // describes the payloads, not needed for the time
    at += 2;
    uint32_t ignored = 0;
    if (!ReadVar(packet, &at, lengthFlags >> 5, &ignored) ||  // packet length
        !ReadVar(packet, &at, lengthFlags >> 1, &ignored) ||  // sequence
        !ReadVar(packet, &at, lengthFlags >> 3, &ignored)) {  // padding length
        return std::nullopt;
    }
    if (packet.size() - at < 6) return std::nullopt;
    return ReadLe32(packet.data() + at);
}

HRESULT AppendAsfSimpleIndex(const std::filesystem::path& path) {
    PosixFile file;
    if (int err = file.Open(path, PosixFile::Mode::Read); err != 0) return ResultFromErrno(err);
    const int64_t size = file.Size();
    if (size < 0) return ResultFromErrno(int(-size));
    FileByteSource source(file, uint64_t(size));
    auto layout = ReadAsfLayout(source);
    if (!layout) return VFW_E_INVALID_FILE_FORMAT;
    if (layout->hasSimpleIndex) return S_FALSE;
    if (layout->packetCount == 0) return S_FALSE;  // nothing to find: no index

    // Entry e covers presentation time e seconds (the preroll included, as index times are) and
    // names the last packet sent at or before it. Send times run a preroll ahead of the
    // presentation.
    const uint64_t entryCount = layout->playDuration / kAsfIndexInterval + 1;
    if (entryCount > (0xFFFFFFFFu - kSimpleIndexHeaderSize) / 6) return VFW_E_INVALID_FILE_FORMAT;
    std::vector<uint32_t> entries(entryCount, 0);
    std::vector<uint8_t> packet(layout->packetSize);
    size_t filled = 0;        // entries [0, filled) are final
    uint32_t lastPacket = 0;  // the latest packet seen so far
    for (uint64_t n = 0; n < layout->packetCount && n <= 0xFFFFFFFFu; ++n) {
        const uint64_t offset = layout->dataOffset + kDataObjectHeaderSize + n * layout->packetSize;
        if (!source.ReadAt(offset, packet)) return VFW_E_INVALID_FILE_FORMAT;
        auto sendTime = AsfPacketSendTime(packet);
        if (!sendTime) return VFW_E_INVALID_FILE_FORMAT;
        const uint64_t presentation = (uint64_t(*sendTime) + layout->preroll) * 10'000;
        const uint64_t firstEntry = (presentation + kAsfIndexInterval - 1) / kAsfIndexInterval;
        while (filled < entries.size() && filled < firstEntry) entries[filled++] = lastPacket;
        lastPacket = uint32_t(n);
    }
    while (filled < entries.size()) entries[filled++] = lastPacket;

    std::vector<uint8_t> object(kSimpleIndexHeaderSize + entries.size() * 6);
    const auto id = kAsfSimpleIndexObject.ToBytes();
    std::copy(id.begin(), id.end(), object.begin());
    WriteLe64(object.data() + 16, object.size());
    const auto fileId = layout->fileId.ToBytes();
    std::copy(fileId.begin(), fileId.end(), object.begin() + 24);
    WriteLe64(object.data() + 40, kAsfIndexInterval);
    WriteLe32(object.data() + 48, 1);  // packets per entry
    WriteLe32(object.data() + 52, uint32_t(entries.size()));
    for (size_t e = 0; e < entries.size(); ++e) {
        WriteLe32(object.data() + kSimpleIndexHeaderSize + e * 6, entries[e]);
        WriteLe16(object.data() + kSimpleIndexHeaderSize + e * 6 + 4, 1);
    }

    PosixFile writer;
    if (int err = writer.Open(path, PosixFile::Mode::WriteExisting); err != 0) {
        return ResultFromErrno(err);
    }
    const uint64_t end = uint64_t(size);
    std::array<uint8_t, 8> newSize;
    WriteLe64(newSize.data(), end + object.size());
    if (writer.WriteAt(end, object) != 0 ||
        writer.WriteAt(layout->filePropertiesOffset + kObjectHeaderSize + 16, newSize) != 0) {
        return HRESULT_FROM_WIN32_WRITE_FAULT;
    }
    return S_OK;
}

}  // namespace tarnel::media
