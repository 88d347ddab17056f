#include "filters/oggcommon/OggStreamHeader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/RefTime.h"

namespace tarnel {

namespace {

const char* KindName(OggStreamKind kind) {
    switch (kind) {
        case OggStreamKind::Video:
            return "video";
        case OggStreamKind::Audio:
            return "audio";
        case OggStreamKind::Text:
            return "text";
    }
    return "";
}

// VIDEOINFOHEADER offsets.
constexpr size_t kAvgTimePerFrame = 40;
constexpr size_t kBiSize = 48;
constexpr size_t kBiWidth = 52;
constexpr size_t kBiHeight = 56;
constexpr size_t kBiPlanes = 60;
constexpr size_t kBiBitCount = 62;
constexpr size_t kBiCompression = 64;

OggStreamHeader VideoHeaderFromInfo(std::span<const uint8_t> vih, int32_t bufferSize,
                                    uint32_t fourcc) {
    OggStreamHeader header;
    header.kind = OggStreamKind::Video;
    WriteLe32(header.subtype, fourcc);
    header.timeUnit = static_cast<int64_t>(ReadLe64(&vih[kAvgTimePerFrame]));
    header.samplesPerUnit = 1;
    header.bufferSize = bufferSize;
    header.bitsPerSample = static_cast<int16_t>(ReadLe16(&vih[kBiBitCount]));
    header.width = static_cast<int32_t>(ReadLe32(&vih[kBiWidth]));
    header.height = static_cast<int32_t>(ReadLe32(&vih[kBiHeight]));
    return header;
}

OggStreamHeader AudioHeaderFromWave(const WaveFormatInfo& info, int32_t bufferSize) {
    OggStreamHeader header;
    header.kind = OggStreamKind::Audio;
    char tag[5];
    std::snprintf(tag, sizeof tag, "%04x", info.format.wFormatTag);
    std::memcpy(header.subtype, tag, 4);
    header.extra = info.extra;
    header.size = static_cast<int32_t>(kOggStreamHeaderSize + header.extra.size());
    header.timeUnit = UNITS;
    header.samplesPerUnit = info.format.nSamplesPerSec;
    header.bufferSize = bufferSize;
    header.bitsPerSample = static_cast<int16_t>(info.format.wBitsPerSample);
    header.width = info.format.nChannels | (static_cast<int32_t>(info.format.nBlockAlign) << 16);
    header.height = static_cast<int32_t>(info.format.nAvgBytesPerSec);
    return header;
}

}  // namespace

std::vector<uint8_t> SerializeStreamHeader(const OggStreamHeader& header) {
    std::vector<uint8_t> bytes(kOggStreamHeaderSize + header.extra.size(), 0);
    const char* name = KindName(header.kind);
    std::memcpy(bytes.data(), name, std::strlen(name));
    std::memcpy(&bytes[8], header.subtype, 4);
    WriteLe32(&bytes[12], static_cast<uint32_t>(kOggStreamHeaderSize + header.extra.size()));
    WriteLe64(&bytes[16], static_cast<uint64_t>(header.timeUnit));
    WriteLe64(&bytes[24], static_cast<uint64_t>(header.samplesPerUnit));
    WriteLe32(&bytes[32], static_cast<uint32_t>(header.defaultLength));
    WriteLe32(&bytes[36], static_cast<uint32_t>(header.bufferSize));
    WriteLe16(&bytes[40], static_cast<uint16_t>(header.bitsPerSample));
    WriteLe32(&bytes[44], static_cast<uint32_t>(header.width));
    WriteLe32(&bytes[48], static_cast<uint32_t>(header.height));
    if (!header.extra.empty())
        std::memcpy(&bytes[kOggStreamHeaderSize], header.extra.data(), header.extra.size());
    return bytes;
}

std::optional<OggStreamHeader> ParseStreamHeader(std::span<const uint8_t> record) {
    if (record.size() < kOggStreamHeaderSize) return std::nullopt;
    OggStreamHeader header;
    char name[9] = {};
    std::memcpy(name, record.data(), 8);
    if (std::strcmp(name, "video") == 0) {
        header.kind = OggStreamKind::Video;
    } else if (std::strcmp(name, "audio") == 0) {
        header.kind = OggStreamKind::Audio;
    } else if (std::strcmp(name, "text") == 0) {
        header.kind = OggStreamKind::Text;
    } else {
        return std::nullopt;
    }
    int32_t size = static_cast<int32_t>(ReadLe32(&record[12]));
    if (size < static_cast<int32_t>(kOggStreamHeaderSize) ||
        static_cast<size_t>(size) > record.size() ||
        static_cast<size_t>(size) > kMaxOggStreamHeaderSize)
        return std::nullopt;
    std::memcpy(header.subtype, &record[8], 4);
    header.size = size;
    header.timeUnit = static_cast<int64_t>(ReadLe64(&record[16]));
    header.samplesPerUnit = static_cast<int64_t>(ReadLe64(&record[24]));
    header.defaultLength = static_cast<int32_t>(ReadLe32(&record[32]));
    header.bufferSize = static_cast<int32_t>(ReadLe32(&record[36]));
    header.bitsPerSample = static_cast<int16_t>(ReadLe16(&record[40]));
    header.width = static_cast<int32_t>(ReadLe32(&record[44]));
    header.height = static_cast<int32_t>(ReadLe32(&record[48]));
    if (header.kind == OggStreamKind::Audio)
        header.extra.assign(record.begin() + kOggStreamHeaderSize, record.begin() + size);
    return header;
}

std::optional<OggStreamHeader> StreamHeaderForMediaType(const CMediaType& type,
                                                        int32_t bufferSize) {
    if (type.majortype == MEDIATYPE_Text) {
        OggStreamHeader header;
        header.kind = OggStreamKind::Text;
        header.timeUnit = 10'000;
        header.samplesPerUnit = 1;
        header.bufferSize = 16384;
        return header;
    }
    if (type.formattype == FORMAT_VideoInfo && IsFourccSubtype(type.subtype) &&
        type.format.size() >= kVideoInfoHeaderSize) {
        return VideoHeaderFromInfo(type.format, bufferSize, type.subtype.Data1);
    }
    if (type.formattype == FORMAT_WaveFormatEx && IsFourccSubtype(type.subtype)) {
        auto info = type.WaveFormat();
        if (!info) return std::nullopt;
        return AudioHeaderFromWave(*info, bufferSize);
    }
    return std::nullopt;
}

CMediaType MediaTypeForStreamHeader(const OggStreamHeader& header) {
    CMediaType type;
    switch (header.kind) {
        case OggStreamKind::Video: {
            type = CMediaType(MEDIATYPE_Video, FourccSubtype(ReadLe32(header.subtype)),
                              FORMAT_VideoInfo);
            std::vector<uint8_t> vih(kVideoInfoBlockSize, 0);
            WriteLe64(&vih[kAvgTimePerFrame], static_cast<uint64_t>(header.timeUnit));
            WriteLe32(&vih[kBiSize], 40);
            WriteLe32(&vih[kBiWidth], static_cast<uint32_t>(header.width));
            WriteLe32(&vih[kBiHeight], static_cast<uint32_t>(header.height));
            WriteLe16(&vih[kBiPlanes], 1);
            WriteLe16(&vih[kBiBitCount], static_cast<uint16_t>(header.bitsPerSample));
            std::memcpy(&vih[kBiCompression], header.subtype, 4);
            type.format = std::move(vih);
            type.SetVariableSize();
            break;
        }
        case OggStreamKind::Audio: {
            char digits[5] = {};
            std::memcpy(digits, header.subtype, 4);
            unsigned tag = 0;
            if (std::sscanf(digits, "%4x", &tag) != 1) tag = 0;
            WAVEFORMATEX wfx;
            wfx.wFormatTag = static_cast<uint16_t>(tag);
            wfx.nChannels = static_cast<uint16_t>(header.Channels());
            wfx.nSamplesPerSec = static_cast<uint32_t>(header.samplesPerUnit);
            wfx.nAvgBytesPerSec = static_cast<uint32_t>(header.height);
            wfx.nBlockAlign = static_cast<uint16_t>(header.BlockAlign());
            wfx.wBitsPerSample = static_cast<uint16_t>(header.bitsPerSample);
            type = CMediaType(MEDIATYPE_Audio, FourccSubtype(tag), FORMAT_WaveFormatEx);
            type.SetWaveFormat(wfx, header.extra);
            type.SetVariableSize();
            break;
        }
        case OggStreamKind::Text:
            type = CMediaType(MEDIATYPE_Text, GUID_NULL, GUID_NULL);
            type.SetVariableSize();
            break;
    }
    return type;
}

bool HasOldDirectShowSignature(std::span<const uint8_t> packet) {
    constexpr size_t length = sizeof(kOldDirectShowSignature) - 1;
    return packet.size() > length && packet[0] == 0x01 &&
           std::memcmp(&packet[1], kOldDirectShowSignature, length) == 0;
}

std::optional<OggStreamHeader> ParseOldDirectShowHeader(std::span<const uint8_t> packet) {
    if (!HasOldDirectShowSignature(packet)) return std::nullopt;
    const auto video = FORMAT_VideoInfo.ToBytes();
    const auto wave = FORMAT_WaveFormatEx.ToBytes();
    // The format GUID tells which block follows it.
    for (size_t at = sizeof(kOldDirectShowSignature); at + 16 <= packet.size(); ++at) {
        std::span<const uint8_t> rest = packet.subspan(at + 16);
        if (std::equal(video.begin(), video.end(), packet.begin() + at)) {
            if (rest.size() < kVideoInfoHeaderSize) return std::nullopt;
            uint32_t fourcc = ReadLe32(&rest[kBiCompression]);
            return VideoHeaderFromInfo(rest, 0, fourcc);
        }
        if (std::equal(wave.begin(), wave.end(), packet.begin() + at)) {
            auto info = ParseWaveFormat(rest);
            if (!info) return std::nullopt;
            return AudioHeaderFromWave(*info, 0);
        }
    }
    return std::nullopt;
}

size_t WritePacketFraming(uint8_t* out, bool syncPoint, int64_t duration) {
    size_t n = 0;
    if (duration > 1) {
        uint64_t value = static_cast<uint64_t>(duration);
        while (value && n < 4) {
            out[1 + n] = static_cast<uint8_t>(value);
            value >>= 8;
            ++n;
        }
    }
    uint8_t flags = syncPoint ? 0x08 : 0x00;
    flags |= static_cast<uint8_t>((n & 3) << 6);
    flags |= static_cast<uint8_t>(((n >> 2) & 1) << 1);
    out[0] = flags;
    return 1 + n;
}

std::optional<PacketFraming> ReadPacketFraming(std::span<const uint8_t> packet) {
    if (packet.empty() || (packet[0] & 1)) return std::nullopt;
    uint8_t flags = packet[0];
    size_t n = ((flags >> 6) & 3) | (((flags >> 1) & 1) << 2);
    if (1 + n > packet.size()) return std::nullopt;
    PacketFraming framing;
    framing.syncPoint = (flags & 0x08) != 0;
    framing.headerLength = 1 + n;
    if (n > 0) {
        int64_t value = 0;
        for (size_t i = n; i > 0; --i) value = (value << 8) | packet[i];
        framing.duration = value;
    }
    return framing;
}

}  // namespace tarnel
