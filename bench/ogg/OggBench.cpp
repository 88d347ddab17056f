// Ogg Vorbis benchmarks, one run over the same 180-second file:
//  1. WAV -> Ogg: tarnel-convert with the default Ogg settings against oggenc at the same
//     quality (aim: at most 1.05 times oggenc's time);
//  2. Ogg -> WAV: tarnel-convert against oggdec on the Ogg file of step 1 (aim: at most 1.1
//     times oggdec's time);
//  3. seeking: the Ogg splitter's time from a seek to the middle of a one-hour Ogg file until
//     the first packet arrives, and the bytes it read to get there.
// Usage: tarnel_ogg_bench PATH-TO-tarnel-convert [WORK-FOLDER]
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include "bench/common/BenchSupport.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "framework/BaseInputPin.h"
#include "settings/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using namespace tarnel::bench;
using Clock = std::chrono::steady_clock;

// Something closer to music than a pure tone: a few partials that move, and a little noise.
double Signal(uint64_t i, int rate, int channel) {
    const double t = static_cast<double>(i) / rate;
    double v = 0.3 * std::sin(2 * std::numbers::pi * (220.0 + 20 * std::sin(t * 0.5)) * t) +
               0.15 * std::sin(2 * std::numbers::pi * (660.0 + channel * 3) * t) +
               0.08 * std::sin(2 * std::numbers::pi * 1760.0 * t * (1 + 0.01 * channel));
    uint32_t x = static_cast<uint32_t>(i * 2654435761u + channel * 97u);
    x ^= x >> 13;
    x *= 0x5bd1e995;
    x ^= x >> 15;
    v += 0.02 * ((x & 0xFFFF) / 32768.0 - 1.0);
    return v;
}

// A one-hour mono Ogg Vorbis file made directly with libvorbis (low rate: quick to make).
void WriteHourOgg(const fs::path& path) {
    const int rate = 16000;
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 1, rate, 0.0f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    std::ofstream out(path, std::ios::binary);
    ogg_page page;
    auto write = [&] {
        out.write(reinterpret_cast<const char*>(page.header), page.header_len);
        out.write(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    ogg_packet a, b, c;
    vorbis_analysis_headerout(&dsp, &comment, &a, &b, &c);
    ogg_stream_packetin(&stream, &a);
    ogg_stream_packetin(&stream, &b);
    ogg_stream_packetin(&stream, &c);
    while (ogg_stream_flush(&stream, &page)) write();
    const uint64_t frames = 3600ull * rate;
    uint64_t done = 0;
    bool eos = false;
    while (!eos) {
        uint64_t chunk = std::min<uint64_t>(8192, frames - done);
        if (chunk == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
            for (uint64_t f = 0; f < chunk; ++f)
                buffer[0][f] = static_cast<float>(Signal(done + f, rate, 0));
            vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) write();
                if (packet.e_o_s) eos = true;
            }
        }
    }
    while (ogg_stream_flush(&stream, &page)) write();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
}

// The first file in the folder with the extension (tarnel-convert names outputs by its rules).
fs::path FirstWithExtension(const fs::path& folder, const std::string& extension) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == extension) return entry.path();
    }
    return {};
}

// ---- a file source and a sink for the seek measurement ----

using namespace tarnel;

class FilePin : public CBasePin, public IAsyncReader {
public:
    FilePin(CBaseFilter* filter, CCritSec* lock, int fd, int64_t size)
        : CBasePin("Output", filter, lock, nullptr, PINDIR_OUTPUT), fd_(fd), size_(size) {}
    void* QueryInterface(const GUID& iid) override {
        if (iid == IAsyncReader::IID) return static_cast<IAsyncReader*>(this);
        return CBasePin::QueryInterface(iid);
    }
    HRESULT CheckMediaType(const CMediaType* type) override {
        return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_OggStream, GUID_NULL);
        return S_OK;
    }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) override {
        ssize_t n = pread(fd_, buffer, static_cast<size_t>(length), position);
        if (n < 0) return E_FAIL;
        bytesRead += n;
        return n == length ? S_OK : S_FALSE;
    }
    HRESULT Length(int64_t* total, int64_t* available) override {
        if (total) *total = size_;
        if (available) *available = size_;
        return S_OK;
    }
    std::atomic<int64_t> bytesRead{0};

private:
    int fd_;
    int64_t size_;
};

class FileFilter : public CBaseFilter {
public:
    FileFilter(int fd, int64_t size)
        : CBaseFilter("file", &lock_, GUID_NULL),
          pin_(std::make_unique<FilePin>(this, &lock_, fd, size)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    FilePin* Pin() { return pin_.get(); }

private:
    CCritSec lock_;
    std::unique_ptr<FilePin> pin_;
};

class FirstPacketSink : public CBaseFilter {
    class Pin : public CBaseInputPin {
    public:
        Pin(FirstPacketSink* sink, CCritSec* lock)
            : CBaseInputPin("In", sink, lock, nullptr), sink_(sink) {}
        HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
        HRESULT Receive(IMediaSample* sample) override {
            HRESULT hr = CBaseInputPin::Receive(sample);
            if (hr != S_OK) return hr;
            uint8_t* data = nullptr;
            sample->GetPointer(&data);
            if (sample->GetActualDataLength() > 0 && !(data[0] & 1)) {
                int64_t start = 0, stop = 0;
                sample->GetMediaTime(&start, &stop);
                sink_->Arrived(start);
            }
            return S_OK;
        }

    private:
        FirstPacketSink* sink_;
    };

public:
    FirstPacketSink()
        : CBaseFilter("sink", &lock_, GUID_NULL), pin_(std::make_unique<Pin>(this, &lock_)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    CBasePin* InputPin() { return pin_.get(); }
    void Arrived(int64_t granule) {
        std::lock_guard lock(mutex_);
        if (!arrived_) {
            arrived_ = true;
            granule_ = granule;
            when_ = Clock::now();
        }
        cv_.notify_all();
    }
    bool Wait(Clock::time_point* when, int64_t* granule) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, std::chrono::seconds(30), [this] { return arrived_; }))
            return false;
        *when = when_;
        *granule = granule_;
        return true;
    }

private:
    CCritSec lock_;
    std::unique_ptr<Pin> pin_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool arrived_ = false;
    int64_t granule_ = 0;
    Clock::time_point when_;
};

void MeasureSeek(const fs::path& file) {
    int fd = open(file.c_str(), O_RDONLY);
    const int64_t size = static_cast<int64_t>(fs::file_size(file));
    auto source = std::make_shared<FileFilter>(fd, size);
    auto splitter = std::make_shared<COggSplitter>();
    auto sink = std::make_shared<FirstPacketSink>();
    const auto connectStart = Clock::now();
    if (FAILED(source->Pin()->Connect(splitter->InputPin(), nullptr)) ||
        FAILED(splitter->OutputPin(0)->Connect(sink->InputPin(), nullptr))) {
        std::printf("seek: the one-hour file did not connect\n");
        close(fd);
        return;
    }
    const double scan = std::chrono::duration<double>(Clock::now() - connectStart).count();
    int64_t duration = 0;
    splitter->GetDuration(&duration);
    const int64_t readForScan = source->Pin()->bytesRead.exchange(0);
    int64_t middle = duration / 2;
    const auto seekStart = Clock::now();
    splitter->OutputPin(0)->SetPositions(&middle, AM_SEEKING_AbsolutePositioning, nullptr,
                                         AM_SEEKING_NoPositioning);
    sink->Pause();
    splitter->Pause();
    Clock::time_point arrived;
    int64_t granule = 0;
    bool ok = sink->Wait(&arrived, &granule);
    sink->Stop();
    splitter->Stop();
    std::printf("one-hour Ogg (%.1f MiB): connection scan %.1f ms (%lld bytes read)\n",
                size / 1048576.0, scan * 1000, static_cast<long long>(readForScan));
    if (ok) {
        std::printf("seek to %.1f s: first packet after %.2f ms at %.3f s, %lld bytes read\n",
                    middle / 1e7, std::chrono::duration<double>(arrived - seekStart).count() * 1000,
                    granule / 16000.0, static_cast<long long>(source->Pin()->bytesRead.load()));
    } else {
        std::printf("seek: no packet arrived within 30 s\n");
    }
    splitter->OutputPin(0)->Disconnect();
    sink->InputPin()->Disconnect();
    splitter->InputPin()->Disconnect();
    source->Pin()->Disconnect();
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    ProgramAndWork args;
    if (!ParseProgramAndWork(argc, argv, "tarnel-ogg-bench", &args)) return 2;
    const std::string& program = args.program;
    const fs::path& work = args.work;
    for (const char* dir : {"ours", "ref"}) fs::create_directories(work / dir);

    // The default Ogg settings, and the quality they give: slider position × 0.011 − 0.1 on
    // libvorbis' scale, which oggenc takes ten times larger.
    tarnel::OggSettings ogg;
    {
        tarnel::SettingsStore store;
        store.EnsureDefaults();
        store.ReadOggSettings(ogg);
        tarnel::WavSettings wav;
        wav.sampleRate = 44100;
        wav.channels = 2;
        wav.bitsPerSample = 16;
        store.WriteWavSettings(wav);
    }
    const float quality = static_cast<float>(ogg.quality) * 0.011f - 0.1f;
    char oggencQuality[32];
    std::snprintf(oggencQuality, sizeof oggencQuality, "%.4f", quality * 10.0f);
    std::printf(
        "Ogg benchmark in %s; default settings: quality %.4f (oggenc -q %s), %d Hz, %d ch\n",
        work.c_str(), quality, oggencQuality, ogg.sampleRate, ogg.channels);

    const fs::path wav = work / "ours" / "track.wav";
    WriteMusicWav(wav, 180.0, 44100);
    fs::copy_file(wav, work / "ref" / "track.wav");

    const Timing oursEncode = TimeCommand({program, "--quiet", "--format", "ogg", wav.string()},
                                          work / "ours-encode.log");
    const fs::path refOgg = work / "ref" / "track.ogg";
    const Timing refEncode = TimeCommand({"oggenc", "--quiet", "-q", oggencQuality, "-o",
                                          refOgg.string(), (work / "ref" / "track.wav").string()},
                                         work / "oggenc.log");
    ReportRatio("WAV -> Ogg", oursEncode, refEncode, "oggenc", 1.05);
    const fs::path oursOgg = FirstWithExtension(work / "ours", ".ogg");
    if (!oursOgg.empty() && fs::exists(refOgg)) {
        std::printf("  sizes: ours %.0f KiB, oggenc %.0f KiB\n", fs::file_size(oursOgg) / 1024.0,
                    fs::file_size(refOgg) / 1024.0);
    }

    // Decoding: both from the same Ogg file (oggenc's).
    fs::remove_all(work / "ours");
    fs::create_directories(work / "ours");
    if (fs::exists(refOgg)) fs::copy_file(refOgg, work / "ours" / "source.ogg");
    const Timing oursDecode = TimeCommand(
        {program, "--quiet", "--format", "wav", (work / "ours" / "source.ogg").string()},
        work / "ours-decode.log");
    const Timing refDecode = TimeCommand(
        {"oggdec", "--quiet", "-o", (work / "ref" / "decoded.wav").string(), refOgg.string()},
        work / "oggdec.log");
    ReportRatio("Ogg -> WAV", oursDecode, refDecode, "oggdec", 1.1);

    const fs::path hour = work / "hour.ogg";
    WriteHourOgg(hour);
    MeasureSeek(hour);

    fs::remove_all(work);
    return 0;
}
