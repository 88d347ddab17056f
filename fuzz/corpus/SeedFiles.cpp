#include "fuzz/corpus/SeedFiles.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "app/SessionStream.h"
#include "framework/WaveFormat.h"
#include "platform/media/asf/AsfEncodeSession.h"
#include "tests/engine/CompressedWave.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/platform/mpeg/MpegTestStreams.h"
#include "tests/support/TestAudio.h"

namespace tarnel::fuzz {
namespace {

// A seed that came out empty means a recipe stopped working; the corpus must not quietly
// lose a kind of file.
std::vector<uint8_t> NonEmpty(std::vector<uint8_t> bytes, const std::string& what) {
    if (bytes.empty()) throw std::runtime_error("could not make the seed " + what);
    return bytes;
}

test::PcmAudio Tone(int rate, int channels, double seconds, int bits = 16) {
    return test::MakeSine(rate, channels, seconds, 441.0, 0.6, bits);
}

std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(id, id + 4);
    uint8_t size[4];
    WriteLe32(size, uint32_t(body.size()));
    out.insert(out.end(), size, size + 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
    return out;
}

std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) out.insert(out.end(), c.begin(), c.end());
    WriteLe32(&out[4], uint32_t(out.size() - 8));
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

std::vector<SeedFile> WaveSeeds() {
    std::vector<SeedFile> seeds;
    auto pcm = [&](const char* name, test::PcmAudio audio, bool isFloat, bool extensible) {
        audio.isFloat = isFloat;
        seeds.push_back({name, test::EncodeWav(audio, extensible)});
    };
    pcm("pcm-u8-mono-8000.wav", Tone(8000, 1, 0.05, 8), false, false);
    pcm("pcm-s16-stereo-44100.wav", Tone(44100, 2, 0.03), false, false);
    pcm("pcm-s24-mono-48000.wav", Tone(48000, 1, 0.03, 24), false, false);
    pcm("pcm-s32-stereo-32000.wav", Tone(32000, 2, 0.02, 32), false, false);
    pcm("float32-stereo-22050.wav", Tone(22050, 2, 0.03, 32), true, false);
    pcm("extensible-s16-stereo-44100.wav", Tone(44100, 2, 0.02), false, true);
    pcm("extensible-s24-mono-96000.wav", Tone(96000, 1, 0.01, 24), false, true);
    pcm("extensible-float32-mono-16000.wav", Tone(16000, 1, 0.05, 32), true, true);

    const auto stereo = Tone(22050, 2, 0.1);
    const auto phone = Tone(8000, 1, 0.2);
    for (const char* name : {"IMA ADPCM", "Microsoft ADPCM", "CCITT A-Law", "CCITT u-Law"}) {
        std::string file = name;
        for (char& c : file) c = c == ' ' ? '-' : char(std::tolower(c));
        seeds.push_back(
            {file + "-stereo-22050.wav", NonEmpty(test::CompressedWaveFile(name, stereo), name)});
    }
    seeds.push_back({"gsm610-mono-8000.wav",
                     NonEmpty(test::CompressedWaveFile("GSM 6.10", phone), "GSM 6.10")});
    seeds.push_back({"g726-mono-8000.wav", NonEmpty(test::G726WaveFile(phone), "G.726")});

    // Chunk orders and extras real files have: a LIST before "fmt ", JUNK after the data, and
    // the data before the format.
    std::vector<uint8_t> data(400);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
    seeds.push_back({"list-fmt-data-junk.wav",
                     Riff({Chunk("LIST", {'I', 'N', 'F', 'O'}),
                           Chunk("fmt ", MakeExtensibleWaveFormat(48000, 2, 24, 24, 3)),
                           Chunk("data", data), Chunk("JUNK", {9})})});
    seeds.push_back(
        {"data-before-fmt.wav",
         Riff({Chunk("data", data), Chunk("fmt ", MakePcmWaveFormat(22050, 2, 32, true))})});
    return seeds;
}

std::vector<MpegSeed> MpegSeeds() {
    std::vector<MpegSeed> seeds;
    auto lame = [&](const char* name, int rate, int channels, double seconds,
                    test::LameOptions options) {
        seeds.push_back({{name, test::EncodeWithLame(Tone(rate, channels, seconds), options).bytes},
                         rate,
                         channels});
    };
    // Layer III from LAME: MPEG-1, MPEG-2 and MPEG-2.5 rates, CBR and VBR with an info frame.
    // Each stream has a little over 20 frames, which a probe needs to accept it.
    lame("mpeg1-layer3-44100-stereo.mp3", 44100, 2, 0.6, {.bitrate = 64});
    lame("mpeg1-layer3-48000-stereo-vbr-info.mp3", 48000, 2, 0.55,
         {.bitrate = 96, .vbr = true, .infoTag = true});
    lame("mpeg2-layer3-22050-mono.mp3", 22050, 1, 0.6, {.bitrate = 32});
    lame("mpeg2-layer3-16000-stereo-info.mp3", 16000, 2, 0.8, {.bitrate = 64, .infoTag = true});
    lame("mpeg25-layer3-8000-mono.mp3", 8000, 1, 1.6, {.bitrate = 8});
    lame("mpeg25-layer3-11025-stereo.mp3", 11025, 2, 1.2, {.bitrate = 16});

    // Layer II from FFmpeg's encoder (MPEG-1 and MPEG-2 rates).
    auto mp2 = [&](const char* name, int rate, int channels, double seconds, int bitRate) {
        seeds.push_back(
            {{name,
              NonEmpty(test::FfmpegEncode("mp2", Tone(rate, channels, seconds), bitRate), name)},
             rate,
             channels});
    };
    mp2("mpeg1-layer2-48000-stereo.mp2", 48000, 2, 0.55, 128000);
    mp2("mpeg2-layer2-24000-mono.mp2", 24000, 1, 1.0, 32000);

    // Frames nobody here encodes (Layer I, MPEG-2.5 Layer II): real headers, silent payload.
    seeds.push_back(
        {{"mpeg1-layer1-44100-stereo.mp1", test::MakeHeaderOnlyFrames(3, 3, 4, 0, 24)}, 44100, 2});
    seeds.push_back(
        {{"mpeg2-layer1-22050-mono.mp1", test::MakeHeaderOnlyFrames(2, 3, 2, 0, 24, true)},
         22050,
         1});
    seeds.push_back(
        {{"mpeg25-layer2-12000-mono.mp2", test::MakeHeaderOnlyFrames(0, 2, 3, 1, 24, true)},
         12000,
         1});

    // The tags around the audio of real files.
    const auto audio = test::EncodeWithLame(Tone(44100, 2, 0.6), {.bitrate = 48}).bytes;
    seeds.push_back(
        {{"id3v2-mpeg1-id3v1.mp3", Concat({test::MakeId3v2(300), audio, test::MakeId3v1()})},
         44100,
         2});
    seeds.push_back(
        {{"mpeg1-apetag-lyrics3.mp3",
          Concat({audio, test::MakeLyrics3v2(40), test::MakeApeTag(64), test::MakeId3v1()})},
         44100,
         2});
    return seeds;
}

std::vector<SeedFile> OggSeeds() {
    test::OggEncodeOptions chapters;
    chapters.comments = {
        {"CHAPTER01", "00:00:00.100"}, {"CHAPTER01NAME", "Intro"}, {"LANGUAGE", "english"}};
    chapters.packetsPerPage = 3;
    test::OggEncodeOptions single;
    single.packetsPerPage = 1;
    single.quality = 0.0f;
    test::OggEncodeOptions second;
    second.serial = 99;
    second.comments = {{"TITLE", "second link"}};
    return {
        {"vorbis-mono-8000-chapters.ogg", test::EncodeOggVorbis(Tone(8000, 1, 0.5), chapters)},
        {"vorbis-stereo-22050.ogg", test::EncodeOggVorbis(Tone(22050, 2, 0.3))},
        {"vorbis-5.1-48000.ogg", test::EncodeOggVorbis(Tone(48000, 6, 0.15))},
        {"vorbis-stereo-11025-page-per-packet.ogg",
         test::EncodeOggVorbis(Tone(11025, 2, 0.3), single)},
        {"vorbis-chained-mono-stereo.ogg",
         Concat({test::EncodeOggVorbis(Tone(8000, 1, 0.3)),
                 test::EncodeOggVorbis(Tone(16000, 2, 0.2), second)})},
    };
}

std::vector<SeedFile> VorbisPacketSeeds() {
    std::vector<SeedFile> seeds;
    auto packets = [&](const char* name, const test::PcmAudio& audio,
                       const test::OggEncodeOptions& options) {
        const auto set = test::EncodeVorbisPackets(audio, options);
        std::vector<uint8_t> out = {uint8_t(audio.channels - 1)};
        auto append = [&](const std::vector<uint8_t>& packet) {
            const size_t length = std::min<size_t>(packet.size(), 0xFFFF);
            out.push_back(uint8_t(length));
            out.push_back(uint8_t(length >> 8));
            out.insert(out.end(), packet.begin(), packet.begin() + long(length));
        };
        for (const auto& header : set.headers) append(header);
        for (const auto& packet : set.audio) append(packet.bytes);
        seeds.push_back({name, out});
    };
    test::OggEncodeOptions gain;
    gain.comments = {{"POSTGAIN", "0.5"}};
    packets("vorbis-packets-mono-8000.bin", Tone(8000, 1, 0.4), {});
    packets("vorbis-packets-stereo-8000-gain.bin", Tone(8000, 2, 0.4), gain);
    packets("vorbis-packets-5.1-44100.bin", Tone(44100, 6, 0.1), {});
    return seeds;
}

std::vector<SeedFile> WmaSeeds(const std::filesystem::path& scratch) {
    struct Recipe {
        const char* name;
        uint16_t formatTag;
        uint32_t rate;
        uint16_t channels;
        uint32_t bitrate;
        bool index;
    };
    static const Recipe kRecipes[] = {
        {"wma2-stereo-44100-index.wma", 0x0161, 44100, 2, 64000, true},
        {"wma1-mono-22050.wma", 0x0160, 22050, 1, 32000, false},
        {"wma2-mono-16000.wma", 0x0161, 16000, 1, 24000, false},
    };
    std::vector<SeedFile> seeds;
    const auto path = scratch / "seed.wma";
    for (const Recipe& r : kRecipes) {
        media::AsfStreamSettings stream;
        stream.formatTag = r.formatTag;
        stream.sampleRate = r.rate;
        stream.channels = r.channels;
        stream.bitrate = r.bitrate;
        const auto audio = Tone(8000, 1, 0.5);
        const media::PcmFormat input{8000, 1, 16, false, 0};
        std::unique_ptr<media::AsfEncodeSession> session;
        if (FAILED(media::AsfEncodeSession::Open(path, stream, input, &session)) ||
            FAILED(session->Write(test::Pcm16(audio))) || FAILED(session->Finish(r.index))) {
            throw std::runtime_error(std::string("could not write the seed ") + r.name);
        }
        seeds.push_back({r.name, test::ReadFileBytes(path)});
    }
    std::filesystem::remove(path);
    return seeds;
}

std::vector<SeedFile> SessionSeeds() {
    std::vector<SessionRecord> many;
    for (int i = 0; i < 12; ++i) {
        many.push_back({"/home/user/Music/track " + std::to_string(i) + ".mp3",
                        FileStatus(1000 + i % 7), i % 3 == 0});
    }
    return {
        {"empty.session", EncodeSessionStream({})},
        {"three-with-short-record.session",
         EncodeSessionStream({{"/music/a.mp3", FileStatus::Idle, true},
                              {"/music/b.ogg", FileStatus::Converted, false},
                              {"", FileStatus::Idle, true}})},
        {"utf8-and-odd-status.session",
         EncodeSessionStream({{"/m\xc3\xbcsic/\xe2\x99\xaa.wav", FileStatus::Playing, true},
                              {"/x.wma", static_cast<FileStatus>(-7), false}})},
        {"twelve.session", EncodeSessionStream(many)},
    };
}

}  // namespace tarnel::fuzz
