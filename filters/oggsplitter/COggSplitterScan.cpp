// The splitter's work at connection (headers, chapters, groups, pins, duration) and the byte
// search behind seeking.
#include <algorithm>
#include <map>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/oggsplitter/OggSyncState.h"

namespace tarnel {

namespace {

// The play length one stream's granule positions show. A position is taken only when it moves
// forward by no more than the packets completed since the last one can hold, so a damaged page
// can make a link neither negative nor absurdly long. A stream whose first audio position is
// already large (cut from a longer one) is measured from there.
struct GranuleTally {
    // More than any Vorbis packet decodes to (half the largest block) or a framed packet spans.
    static constexpr int64_t kMaxGranulesPerPacket = 8192;

    bool started = false;
    int64_t start = 0;
    int64_t last = 0;
    int64_t packets = 0;  // completed since `last`

    void Rebase(int64_t granule) {
        if (granule < 0) return;
        started = true;
        start = last = granule;
    }
    // False when the position does not fit the earlier ones (it is then left out).
    bool AddPage(int64_t granule, int completedPackets) {
        packets += std::max(completedPackets, 0);
        if (granule == -1) return true;
        const int64_t reach = (packets + 1) * kMaxGranulesPerPacket;
        if (!started || (last == start && last == 0 && granule > reach)) {
            if (granule < 0) return false;
            // Header pages sit at 0; a first audio position beyond one page's reach is a start.
            if (granule > reach) start = granule;
            started = true;
            last = granule;
            packets = 0;
            return true;
        }
        if (granule < last || granule - last > reach) return false;
        last = granule;
        packets = 0;
        return true;
    }
    int64_t Length() const { return started ? last - start : 0; }
};

std::string PinNameFor(const COggStream& stream) {
    const GUID& major = stream.MediaType().majortype;
    std::string prefix = major == MEDIATYPE_Video   ? "Video "
                         : major == MEDIATYPE_Audio ? "Audio "
                         : major == MEDIATYPE_Text  ? "Subtitle "
                                                    : "Stream ";
    return prefix + std::to_string(static_cast<int32_t>(stream.Serial()));
}

}  // namespace

HRESULT COggSplitter::ScanFile(IAsyncReader* reader) {
    ClearStreams();
    int64_t length = 0, available = 0;
    HRESULT hr = reader->Length(&length, &available);
    if (FAILED(hr)) return hr;
    if (length <= 0) return VFW_E_TYPE_NOT_ACCEPTED;
    m_fileLength = length;
    AsyncReaderByteSource file(reader, static_cast<uint64_t>(length));
    hr = ReadHeaders(file);
    if (FAILED(hr)) return hr;
    for (const auto& stream : m_streams) {
        if (stream->Kind() == COggStream::kUnknown) continue;
        auto chapters = ChaptersFromComment(stream->Comment());
        m_chapters.insert(m_chapters.end(), chapters.begin(), chapters.end());
    }
    m_chaptersEnabled = !m_chapters.empty();
    AssignGroups();
    CreateOutputPins();
    if (m_outputs.empty()) return VFW_E_TYPE_NOT_ACCEPTED;
    ScanDuration(file);
    m_start = 0;
    m_stop = m_duration;
    m_startByte = 0;
    return S_OK;
}

HRESULT COggSplitter::ReadHeaders(AsyncReaderByteSource& file) {
    const auto length = static_cast<int64_t>(file.Size());
    OggSyncState sync;
    int64_t position = 0;
    int64_t first = std::min<int64_t>(length, kScanBytes);
    if (!sync.Feed(file, 0, first)) {
        return FAILED(file.failure()) ? file.failure() : VFW_E_TYPE_NOT_ACCEPTED;
    }
    position = first;
    for (;;) {
        ogg_page page;
        int result;
        while ((result = ogg_sync_pageout(&sync.state, &page)) != 0) {
            if (result < 0) continue;
            uint32_t serial = static_cast<uint32_t>(ogg_page_serialno(&page));
            COggStream* stream = StreamBySerial(serial);
            if (!stream) {
                if (m_streams.size() >= kMaxStreams) continue;
                m_streams.push_back(std::make_unique<COggStream>(this, serial));
                stream = m_streams.back().get();
            }
            stream->ParseHeaderPage(&page);
        }
        // Headers larger than the first 64 KiB (pictures in comments) are read on, within a
        // limit.
        bool complete =
            !m_streams.empty() && std::all_of(m_streams.begin(), m_streams.end(),
                                              [](const auto& s) { return s->HeadersComplete(); });
        if (complete || position >= length || position >= kMaxHeaderScanBytes) break;
        int64_t next = std::min<int64_t>(kScanBytes, length - position);
        if (!sync.Feed(file, position, next)) break;
        position += next;
    }
    return m_streams.empty() ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
}

void COggSplitter::AssignGroups() {
    std::vector<std::unique_ptr<COggStream>> ordered;
    int highest = -1;
    for (auto& stream : m_streams) {
        int group = -1;
        if (stream->Kind() != COggStream::kUnknown) {
            for (const auto& earlier : ordered) {
                if (earlier->Kind() != COggStream::kUnknown &&
                    earlier->MediaType().majortype == stream->MediaType().majortype &&
                    earlier->MediaType().subtype == stream->MediaType().subtype) {
                    group = earlier->group;
                    break;
                }
            }
        }
        bool startsGroup = group < 0;
        if (startsGroup) group = ++highest;
        stream->group = group;
        if (startsGroup && stream->MediaType().majortype == MEDIATYPE_Text && !m_enableAll) {
            // Subtitles start switched off: an "off" entry leads the group and is the enabled one.
            auto off = COggStream::MakeSubtitlesOff(this, group);
            off->enabled = true;
            ordered.push_back(std::move(off));
            stream->enabled = false;
        } else {
            stream->enabled = startsGroup || m_enableAll;
        }
        ordered.push_back(std::move(stream));
    }
    m_streams = std::move(ordered);
}

void COggSplitter::CreateOutputPins() {
    for (const auto& stream : m_streams) {
        if (stream->IsPseudo() || !stream->enabled || stream->Kind() == COggStream::kUnknown ||
            stream->MediaType().majortype.IsNull())
            continue;
        HRESULT hr = S_OK;
        auto pin = std::make_unique<COggSplitOutputPin>(PinNameFor(*stream), this, &m_csFilter,
                                                        stream.get(), &hr);
        stream->pin = pin.get();
        m_outputs.push_back(std::move(pin));
    }
    IncrementPinVersion();
}

void COggSplitter::ScanDuration(ByteSource& file) {
    const auto length = static_cast<int64_t>(file.Size());
    // The last 64 KiB tell the length of an ordinary file. When they hold another link of a
    // chained file, or positions that do not add up, the whole file is walked link by link.
    int64_t from = length > kScanBytes ? (length - kScanBytes) / 16 * 16 : 0;
    OggSyncState sync;
    if (!sync.Feed(file, from, length - from)) return;
    std::map<uint32_t, GranuleTally> tallies;
    bool walkAll = false;
    bool pastHeaders = false;  // a page that begins no stream was seen
    int64_t longest = -1;
    ogg_page page;
    int result;
    while (!walkAll && (result = ogg_sync_pageout(&sync.state, &page)) != 0) {
        if (result < 0) continue;
        COggStream* stream = StreamBySerial(static_cast<uint32_t>(ogg_page_serialno(&page)));
        const bool firstPage = ogg_page_bos(&page) != 0;
        if (!stream || (firstPage && (from > 0 || pastHeaders))) {
            walkAll = true;  // a link that is not the first one
            break;
        }
        pastHeaders = pastHeaders || !firstPage;
        if (stream->Kind() == COggStream::kUnknown) continue;
        GranuleTally& tally = tallies[stream->Serial()];
        // Only the positions within the tail are compared; the first one is taken as it is.
        if (!tally.started && from > 0) tally.Rebase(ogg_page_granulepos(&page));
        if (!tally.AddPage(ogg_page_granulepos(&page), ogg_page_packets(&page))) walkAll = true;
        if (tally.started) longest = std::max(longest, stream->GranuleToTime(tally.last));
    }
    if (walkAll) longest = WalkLinks(file);
    if (longest >= 0) m_duration = longest;
}

int64_t COggSplitter::WalkLinks(ByteSource& file) {
    const auto length = static_cast<int64_t>(file.Size());
    OggSyncState sync;
    // The current link's streams (parsed here, apart from the splitter's own) and tallies.
    std::map<uint32_t, std::pair<std::unique_ptr<COggStream>, GranuleTally>> link;
    int64_t total = 0;
    bool inHeaders = false;  // the last page began a stream
    auto closeLink = [&] {
        int64_t longest = 0;
        for (auto& [serial, entry] : link) {
            auto& [stream, tally] = entry;
            if (stream->Kind() == COggStream::kUnknown) continue;
            longest = std::max(longest, stream->GranuleToTime(tally.Length()));
        }
        total += longest;
        link.clear();
    };
    for (int64_t position = 0; position < length; position += kScanBytes) {
        if (!sync.Feed(file, position, std::min<int64_t>(kScanBytes, length - position))) break;
        ogg_page page;
        int result;
        while ((result = ogg_sync_pageout(&sync.state, &page)) != 0) {
            if (result < 0) continue;
            const auto serial = static_cast<uint32_t>(ogg_page_serialno(&page));
            const bool firstPage = ogg_page_bos(&page) != 0;
            if (firstPage && !inHeaders) closeLink();
            inHeaders = firstPage;
            auto it = link.find(serial);
            if (it == link.end()) {
                if (!firstPage || link.size() >= kMaxStreams) continue;
                it = link.emplace(serial, std::make_pair(std::make_unique<COggStream>(this, serial),
                                                         GranuleTally{}))
                         .first;
            }
            auto& [stream, tally] = it->second;
            stream->ParseHeaderPage(&page);
            if (stream->Kind() == COggStream::kUnknown) continue;
            (void)tally.AddPage(ogg_page_granulepos(&page), ogg_page_packets(&page));
        }
    }
    closeLink();
    return total;
}

bool COggSplitter::FindPageTime(int64_t from, int64_t limit, int64_t* pageOffset, int64_t* time) {
    IAsyncReader* reader = m_input->Reader();
    if (!reader) return false;
    AsyncReaderByteSource file(reader, static_cast<uint64_t>(m_fileLength));
    OggSyncState sync;
    constexpr int64_t kStep = 4096;
    int64_t readTo = from;      // bytes handed to the sync layer end here
    int64_t syncOffset = from;  // file offset of the sync layer's next unexamined byte
    while (syncOffset < limit) {
        ogg_page page;
        long result = ogg_sync_pageseek(&sync.state, &page);
        if (result < 0) {
            syncOffset += -result;  // skipped bytes
            continue;
        }
        if (result > 0) {
            int64_t offset = syncOffset;
            syncOffset += result;
            COggStream* stream = StreamBySerial(static_cast<uint32_t>(ogg_page_serialno(&page)));
            int64_t granule = ogg_page_granulepos(&page);
            if (stream && stream->Kind() != COggStream::kUnknown && granule >= 0) {
                *pageOffset = offset;
                *time = stream->GranuleToTime(granule);
                return true;
            }
            continue;
        }
        // Need more bytes.
        int64_t size = std::min(kStep, m_fileLength - readTo);
        if (size <= 0 || readTo >= limit + 65536) return false;
        if (!sync.Feed(file, readTo, size)) return false;
        readTo += size;
    }
    return false;
}

int64_t COggSplitter::FindBytePosition(int64_t target) {
    int64_t lowPos = 0, lowTime = 0;
    int64_t highPos = m_fileLength, highTime = m_duration;
    constexpr int64_t kMargin = 4096;
    while (highPos - lowPos > 8192) {
        int64_t guess = lowPos + (highPos - lowPos) / 2;
        if (highTime > lowTime) {
            __int128 span = static_cast<__int128>(highPos - lowPos) * (target - lowTime);
            guess = lowPos + static_cast<int64_t>(span / (highTime - lowTime));
        }
        guess = std::clamp(guess, lowPos + kMargin, highPos - kMargin);
        int64_t offset = 0, time = 0;
        if (!FindPageTime(guess, highPos, &offset, &time)) {
            highPos = guess;  // nothing usable up there
            continue;
        }
        if (time < target) {
            lowPos = std::max(offset, lowPos + kMargin);
            lowTime = time;
        } else {
            highPos = guess;
            highTime = time;
        }
    }
    return lowPos;
}

}  // namespace tarnel
