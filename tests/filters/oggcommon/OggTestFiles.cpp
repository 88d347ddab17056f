#include "tests/filters/oggcommon/OggTestFiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

namespace tarnel::test {

namespace {

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

struct MemoryFile {
    const std::vector<uint8_t>* bytes;
    size_t position = 0;
};

size_t ReadMemory(void* ptr, size_t size, size_t count, void* source) {
    auto* file = static_cast<MemoryFile*>(source);
    size_t want = size * count;
    size_t left = file->bytes->size() - file->position;
    size_t n = std::min(want, left);
    std::memcpy(ptr, file->bytes->data() + file->position, n);
    file->position += n;
    return size ? n / size : 0;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(source);
    int64_t base = whence == SEEK_SET   ? 0
                   : whence == SEEK_CUR ? static_cast<int64_t>(file->position)
                                        : static_cast<int64_t>(file->bytes->size());
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(file->bytes->size())) return -1;
    file->position = static_cast<size_t>(target);
    return 0;
}

long TellMemory(void* source) {
    return static_cast<long>(static_cast<MemoryFile*>(source)->position);
}

}  // namespace

namespace {

// Runs libvorbis over the audio and hands every packet (headers first) to `sink`.
template <class Sink>
void RunVorbisEncoder(const PcmAudio& audio, const OggEncodeOptions& options, Sink&& sink) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, audio.channels, audio.sampleRate, options.quality) != 0)
        throw std::runtime_error("vorbis_encode_init_vbr refused the test settings");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const auto& [tag, value] : options.comments)
        vorbis_comment_add_tag(&comment, tag.c_str(), value.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_packet id, comm, code;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comm, &code);
    sink(id, true);
    sink(comm, true);
    sink(code, true);
    const size_t frames = audio.frames();
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t chunk = std::min<size_t>(4096, frames - done);
        if (chunk == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
            for (size_t f = 0; f < chunk; ++f) {
                for (int c = 0; c < audio.channels; ++c) {
                    double v = audio.samples[(done + f) * audio.channels + c];
                    double q = std::clamp(std::round(v * 32768.0), -32768.0, 32767.0) / 32768.0;
                    buffer[c][f] = static_cast<float>(q);
                }
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                sink(packet, false);
                if (packet.e_o_s) eos = true;
            }
        }
    }
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
}

}  // namespace

VorbisPacketSet EncodeVorbisPackets(const PcmAudio& audio, const OggEncodeOptions& options) {
    VorbisPacketSet set;
    set.rate = audio.sampleRate;
    set.channels = audio.channels;
    RunVorbisEncoder(audio, options, [&](const ogg_packet& packet, bool header) {
        std::vector<uint8_t> bytes(packet.packet, packet.packet + packet.bytes);
        if (header) {
            set.headers.push_back(std::move(bytes));
        } else {
            set.audio.push_back({std::move(bytes), packet.granulepos, packet.e_o_s != 0});
        }
    });
    return set;
}

std::vector<uint8_t> EncodeOggVorbis(const PcmAudio& audio, const OggEncodeOptions& options) {
    std::vector<uint8_t> out;
    ogg_stream_state stream;
    ogg_stream_init(&stream, options.serial);
    ogg_page page;
    int packetsOnPage = 0;
    int headers = 0;
    RunVorbisEncoder(audio, options, [&](ogg_packet& packet, bool header) {
        ogg_stream_packetin(&stream, &packet);
        if (header) {
            if (++headers == 3) {
                while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
            }
            return;
        }
        ++packetsOnPage;
        if (options.packetsPerPage > 0 && packetsOnPage >= options.packetsPerPage) {
            while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
            packetsOnPage = 0;
        } else {
            while (ogg_stream_pageout(&stream, &page)) AppendPage(out, page);
        }
    });
    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
    ogg_stream_clear(&stream);
    return out;
}

VorbisFileDecode DecodeWithVorbisfile(const std::vector<uint8_t>& bytes) {
    VorbisFileDecode result;
    MemoryFile file{&bytes};
    ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
    OggVorbis_File vf;
    if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return result;
    vorbis_info* info = ov_info(&vf, -1);
    result.channels = info->channels;
    result.rate = info->rate;
    result.totalSamples = ov_pcm_total(&vf, -1);
    if (vorbis_comment* comment = ov_comment(&vf, -1)) {
        for (int i = 0; i < comment->comments; ++i)
            result.comments.emplace_back(comment->user_comments[i]);
    }
    result.audio.channels = info->channels;
    result.audio.sampleRate = static_cast<int>(info->rate);
    std::vector<char> buffer(65536);
    int section = 0;
    for (;;) {
        long n = ov_read(&vf, buffer.data(), static_cast<int>(buffer.size()), 0, 2, 1, &section);
        if (n < 0) continue;  // a hole; libvorbisfile carries on
        if (n == 0) break;
        for (long i = 0; i + 1 < n; i += 2) {
            int16_t v = static_cast<int16_t>(static_cast<uint8_t>(buffer[i]) |
                                             (static_cast<uint8_t>(buffer[i + 1]) << 8));
            result.pcm16.push_back(v);
            result.audio.samples.push_back(v / 32768.0);
        }
    }
    ov_clear(&vf);
    result.ok = true;
    return result;
}

uint32_t OggCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= static_cast<uint32_t>(data[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::vector<OggPageInfo> WalkOggPages(const std::vector<uint8_t>& bytes, size_t* consumed) {
    std::vector<OggPageInfo> pages;
    size_t at = 0;
    while (at + 27 <= bytes.size() && std::memcmp(&bytes[at], "OggS", 4) == 0) {
        const uint8_t* h = &bytes[at];
        int segments = h[26];
        if (at + 27 + segments > bytes.size()) break;
        size_t body = 0;
        int completed = 0;
        for (int s = 0; s < segments; ++s) {
            body += h[27 + s];
            if (h[27 + s] < 255) ++completed;
        }
        size_t size = 27 + segments + body;
        if (at + size > bytes.size()) break;
        OggPageInfo info;
        info.offset = at;
        info.size = size;
        info.headerType = h[5];
        uint64_t granule = 0;
        for (int i = 7; i >= 0; --i) granule = (granule << 8) | h[6 + i];
        info.granule = static_cast<int64_t>(granule);
        info.serial = h[14] | (h[15] << 8) | (h[16] << 16) | (uint32_t{h[17]} << 24);
        info.sequence = h[18] | (h[19] << 8) | (h[20] << 16) | (uint32_t{h[21]} << 24);
        uint32_t stored = h[22] | (h[23] << 8) | (h[24] << 16) | (uint32_t{h[25]} << 24);
        std::vector<uint8_t> copy(bytes.begin() + at, bytes.begin() + at + size);
        std::memset(&copy[22], 0, 4);
        info.crcValid = OggCrc(copy.data(), copy.size()) == stored;
        info.segments = segments;
        info.completedPackets = completed;
        pages.push_back(info);
        at += size;
    }
    if (consumed) *consumed = at;
    return pages;
}

}  // namespace tarnel::test
