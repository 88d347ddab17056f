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

#include "platform/media/AsfDemuxer.h"
#include "platform/media/AsfEncodeSession.h"
#include "platform/media/AsfFileLayout.h"

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

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
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

// Well-formed files from our own writer: two codecs, with and without an index.
extern "C" size_t TarnelFuzzSeedCount() {
    return 2;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    const auto path = ScratchFile();
    AsfStreamSettings stream;
    stream.formatTag = index == 0 ? 0x0161 : 0x0160;
    stream.sampleRate = index == 0 ? 44100 : 22050;
    stream.channels = index == 0 ? 2 : 1;
    stream.bitrate = index == 0 ? 64000 : 32000;
    const PcmFormat input{8000, 1, 16, false, 0};
    std::unique_ptr<AsfEncodeSession> session;
    if (FAILED(AsfEncodeSession::Open(path, stream, input, &session))) return {};
    std::vector<uint8_t> pcm(8000 * 2 / 2);  // half a second of a ramp
    for (size_t i = 0; i < pcm.size(); i += 2) pcm[i + 1] = uint8_t(i / 7);
    (void)session->Write(pcm);
    (void)session->Finish(index == 0);
    auto bytes = ReadFile(path);
    if (bytes.size() < 1000) __builtin_trap();  // a seed must be a real file
    return bytes;
}
