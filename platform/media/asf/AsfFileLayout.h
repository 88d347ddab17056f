#pragma once
// The top-level layout of an ASF file as far as writing an index and checking a file need it:
// the header object with its File Properties (file id, packet size, play duration, preroll),
// the data object and whether a simple index follows it. Every size is checked against the file
// before it is used, so hostile files give nullopt, never a read past the end or a long loop.
//
// AppendAsfSimpleIndex adds a Simple Index Object (one entry per second of play time, giving
// the data packet to start from) to a finished file that has none, and corrects the file size
// the header states. Pure functions over a ByteSource; any thread.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "framework/ByteSource.h"
#include "framework/Guid.h"
#include "framework/Result.h"

namespace tarnel::media {

inline constexpr GUID kAsfHeaderObject =
    MakeGuid(0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
inline constexpr GUID kAsfFilePropertiesObject =
    MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
inline constexpr GUID kAsfDataObject =
    MakeGuid(0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
inline constexpr GUID kAsfSimpleIndexObject =
    MakeGuid(0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB});
inline constexpr GUID kAsfIndexObject =
    MakeGuid(0xD6E229D3, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE});

// Play time covered by one simple index entry (100 ns units): one second.
inline constexpr uint64_t kAsfIndexInterval = 10'000'000;

struct AsfFileLayout {
    uint64_t fileSize = 0;              // as the header states it
    uint64_t filePropertiesOffset = 0;  // of the File Properties object
    GUID fileId;
    uint64_t playDuration = 0;  // 100 ns units, preroll included
    uint64_t preroll = 0;       // milliseconds
    uint32_t packetSize = 0;    // fixed data packet size
    uint64_t dataOffset = 0;    // of the data object
    uint64_t dataSize = 0;      // of the data object, its 50-byte header included
    uint64_t packetCount = 0;   // as the data object states it
    bool hasSimpleIndex = false;
    bool hasIndex = false;
    uint64_t simpleIndexOffset = 0;
};

std::optional<AsfFileLayout> ReadAsfLayout(ByteSource& file);

// The send time (milliseconds) of a data packet; nullopt for a malformed packet.
std::optional<uint32_t> AsfPacketSendTime(std::span<const uint8_t> packet);

// S_OK once the file has a simple index (S_FALSE when it had one already or holds no packet);
// VFW_E_INVALID_FILE_FORMAT when the file is no complete ASF file; the file's error otherwise.
HRESULT AppendAsfSimpleIndex(const std::filesystem::path& path);

}  // namespace tarnel::media
