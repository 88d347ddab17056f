// Feeds arbitrary bytes to the ASF reader's demuxer (as a file, the way the reader opens it),
// the layout reader that writes indexes and the packet header parser. Anything may be refused;
// nothing may crash, hang or allocate by the file's claims.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "platform/media/asf/AsfDemuxer.h"
#include "platform/media/asf/AsfFileLayout.h"

using namespace tarnel;
using namespace tarnel::media;

namespace {

// One scratch file per process, removed at exit; the demuxer reads files, as the reader does.
struct Scratch {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tarnel-asf-fuzz-" + std::to_string(::getpid()) + ".wma");
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::filesystem::path& ScratchFile() {
    static const Scratch scratch;
    return scratch.path;
}

void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    SpanByteSource source(bytes);
    if (auto layout = ReadAsfLayout(source)) {
        // What the layout promises: the data object lies inside the file and holds its packets.
        if (layout->dataOffset + layout->dataSize > size) __builtin_trap();
        if (layout->packetCount > (layout->dataSize - 50) / layout->packetSize) __builtin_trap();
        for (uint64_t n = 0; n < layout->packetCount && n < 64; ++n) {
            const uint64_t at = layout->dataOffset + 50 + n * layout->packetSize;
            (void)AsfPacketSendTime(bytes.subspan(size_t(at), layout->packetSize));
        }
    }
    for (size_t at = 0; at < size && at < 4096; at += 97)
        (void)AsfPacketSendTime(bytes.subspan(at));

    WriteFile(ScratchFile(), bytes);
    std::unique_ptr<AsfDemuxer> demuxer;
    if (FAILED(AsfDemuxer::Open(ScratchFile(), nullptr, &demuxer))) return 0;
    if (demuxer->MediaType().majortype != MEDIATYPE_Audio) __builtin_trap();
    if (demuxer->Duration() < 0) __builtin_trap();
    AsfPacket packet;
    for (int n = 0; n < 20000; ++n) {
        const HRESULT hr = demuxer->ReadPacket(&packet);
        if (hr != S_OK) break;
        if (packet.data.empty() || packet.data.size() > AsfDemuxer::kMaxPacketBytes)
            __builtin_trap();
        if (packet.start < 0) __builtin_trap();
        if (n == 3) (void)demuxer->Seek(packet.start / 2);
    }
    return 0;
}
