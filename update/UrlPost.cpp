#include "update/UrlPost.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <system_error>

namespace tarnel {
namespace {

// Every network step is bounded so the worker never hangs on a silent server.
constexpr long kConnectTimeoutMs = 10000;
constexpr long kTotalTimeoutMs = 60000;
constexpr long kLowSpeedSeconds = 15;

// Splits "name", "name:port", "[address]" or "[address]:port"; false when it is malformed.
bool SplitHost(const std::string& host, std::string& name, long& port) {
    std::string portText;
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        if (close == std::string::npos) return false;
        name = host.substr(1, close - 1);
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':') return false;
            portText = host.substr(close + 2);
        }
    } else {
        const size_t colon = host.find(':');
        name = host.substr(0, colon);
        if (colon != std::string::npos) portText = host.substr(colon + 1);
    }
    port = 80;
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        port = std::stol(portText);
    }
    return !name.empty() && port > 0 && port <= 65535;
}

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

std::vector<size_t> BodyPieces(size_t total, size_t chunk) {
    std::vector<size_t> pieces;
    if (chunk == 0) chunk = total ? total : 1;
    size_t remaining = total;
    do {
        size_t piece = std::min(remaining, chunk);
        pieces.push_back(piece);
        remaining -= piece;
    } while (remaining > 0);
    return pieces;
}

// The root handle (the easy handle with its user agent), the connection (the address of host,
// port and path) and the request (its method, body and headers).
// A multi handle drives the transfer so that Abort can wake the worker at once.
struct UrlPost::Handles {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    curl_slist* addresses = nullptr;  // the host's resolved addresses, handed to libcurl
    CURLM* multi = nullptr;
    bool added = false;  // easy is in multi
    ~Handles() {
        if (multi) {
            if (added) curl_multi_remove_handle(multi, easy);
            curl_multi_cleanup(multi);
        }
        if (headers) curl_slist_free_all(headers);
        if (addresses) curl_slist_free_all(addresses);
        if (easy) curl_easy_cleanup(easy);
    }
};

UrlPost::UrlPost() = default;

UrlPost::~UrlPost() {
    CloseHandles();
}

void UrlPost::CloseHandles() {
    {
        std::lock_guard lock(abortMutex_);
        wakeup_ = nullptr;
    }
    handles_.reset();
}

bool UrlPost::OpenRequest(std::vector<uint8_t> body, uint32_t chunkSize, Notify notify,
                          uint32_t notifyCode) {
    CloseHandles();
    try {
        GlobalInitOnce();
        auto handles = std::make_unique<Handles>();
        handles->easy = curl_easy_init();
        if (!handles->easy ||
            curl_easy_setopt(handles->easy, CURLOPT_USERAGENT, "Mozilla") != CURLE_OK) {
            throw inet_error("Could not open connection");
        }
        // A reserved name is refused here, before anything could ask a name server about it.
        if (!SplitHost(host, name_, port_) || IsUnresolvableName(name_)) {
            throw inet_error("Failed to connect");
        }
        const std::string url = "http://" + (host.starts_with('[') ? "[" + name_ + "]" : name_) +
                                ":" + std::to_string(port_) + path;
        if (curl_easy_setopt(handles->easy, CURLOPT_URL, url.c_str()) != CURLE_OK ||
            curl_easy_setopt(handles->easy, CURLOPT_PROTOCOLS_STR, "http") != CURLE_OK) {
            throw inet_error("Failed to connect");
        }
        // The request carries host, user agent and content length only: libcurl's own accept
        // and content types go, and so does "Expect: 100-continue" before larger bodies.
        handles->headers = curl_slist_append(nullptr, "Accept:");
        handles->headers = curl_slist_append(handles->headers, "Content-Type:");
        handles->headers = curl_slist_append(handles->headers, "Expect:");
        CURL* easy = handles->easy;
        bool ok =
            handles->headers &&
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handles->headers) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size())) ==
                CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, &UrlPost::ReadBody) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_READDATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &UrlPost::WriteReply) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &UrlPost::Progress) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, kTotalTimeoutMs) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK;
        // Where libcurl still resolves a name itself (a proxy's), clean-up must not wait for
        // its resolver thread; libcurl before 7.87 lacks the option and is left as it is.
        (void)curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
        handles->multi = ok ? curl_multi_init() : nullptr;
        if (!handles->multi) throw inet_error("Failed to open request");
        handles_ = std::move(handles);
    } catch (const inet_error&) {
        CloseHandles();
        return false;
    }
    body_ = std::move(body);
    chunkSize_ = chunkSize;
    notify_ = std::move(notify);
    notifyCode_ = notifyCode;
    reply.clear();
    replyTruncated_ = false;
    aborted_ = false;
    pieces_ = BodyPieces(body_.size(), chunkSize_);
    nextPiece_ = 0;
    bodyOffset_ = 0;
    writtenPieces_.clear();
    return true;
}

size_t UrlPost::ReadBody(char* buffer, size_t size, size_t count, void* self) {
    auto* post = static_cast<UrlPost*>(self);
    if (post->nextPiece_ >= post->pieces_.size()) return 0;
    size_t room = size * count;
    size_t& piece = post->pieces_[post->nextPiece_];
    size_t n = std::min(piece, room);
    std::memcpy(buffer, post->body_.data() + post->bodyOffset_, n);
    post->bodyOffset_ += n;
    post->writtenPieces_.push_back(n);
    piece -= n;
    if (piece == 0) ++post->nextPiece_;
    return n;
}

size_t UrlPost::WriteReply(char* data, size_t size, size_t count, void* self) {
    auto* post = static_cast<UrlPost*>(self);
    size_t total = size * count;
    for (size_t at = 0; at < total; at += kReadPiece) {
        size_t n = std::min(kReadPiece, total - at);
        if (post->reply.size() + n > kMaxReply) {
            post->replyTruncated_ = true;
            return 0;  // makes the transfer fail; the partial reply is never used
        }
        // A NUL inside a piece ends the text of that piece, as a C string append would.
        const char* piece = data + at;
        post->reply.append(piece, strnlen(piece, n));
    }
    return total;
}

int UrlPost::Progress(void* self, int64_t, int64_t, int64_t, int64_t) {
    return static_cast<UrlPost*>(self)->aborted_ ? 1 : 0;
}

int UrlPost::Perform() {
    CURLM* multi = handles_->multi;
    int running = 1;
    while (running) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_SEND_ERROR;
        if (aborted_) return CURLE_ABORTED_BY_CALLBACK;
        if (running && curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            return CURLE_SEND_ERROR;
        }
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE) return message->data.result;
    }
    return CURLE_OK;
}

void UrlPost::Abort() {
    aborted_ = true;
    std::lock_guard lock(abortMutex_);
    if (lookup_) lookup_->Cancel();
    if (wakeup_) curl_multi_wakeup(static_cast<CURLM*>(wakeup_));
}

// Resolves the host (unless it is an address already) on an abandonable thread and hands the
// addresses to libcurl, which then never resolves the name itself.
void UrlPost::UseAddresses() {
    if (IsNumericAddress(name_)) return;
    std::vector<std::string> addresses;
    if (IsLocalhostName(name_)) {
        addresses = {"127.0.0.1", "::1"};
    } else {
        std::shared_ptr<HostLookup> lookup;
        try {
            lookup = HostLookup::Start(resolver, name_);
        } catch (const std::system_error&) {  // no thread to be had
            throw inet_error("Error on HttpSendRequestEx\n");
        }
        {
            std::lock_guard lock(abortMutex_);
            lookup_ = lookup;
        }
        if (aborted_) lookup->Cancel();
        auto answer = lookup->Wait(std::chrono::steady_clock::now() +
                                   std::chrono::milliseconds(kConnectTimeoutMs));
        {
            std::lock_guard lock(abortMutex_);
            lookup_.reset();
        }
        if (!answer) throw inet_error("Error on HttpSendRequestEx\n");
        addresses = std::move(*answer);
    }
    std::string entry = name_ + ":" + std::to_string(port_) + ":";
    for (size_t i = 0; i < addresses.size(); ++i) {
        const bool v6 = addresses[i].find(':') != std::string::npos;
        entry += (i ? "," : "") + (v6 ? "[" + addresses[i] + "]" : addresses[i]);
    }
    handles_->addresses = curl_slist_append(nullptr, entry.c_str());
    if (addresses.empty() || !handles_->addresses ||
        curl_easy_setopt(handles_->easy, CURLOPT_RESOLVE, handles_->addresses) != CURLE_OK) {
        throw inet_error("Error on HttpSendRequestEx\n");
    }
}

void UrlPost::SendRequest() {
    try {
        if (!handles_) throw inet_error("Failed to open request");
        if (body_.empty()) writtenPieces_.push_back(0);
        UseAddresses();
        if (curl_multi_add_handle(handles_->multi, handles_->easy) != CURLM_OK) {
            throw inet_error("Error on HttpSendRequestEx\n");
        }
        handles_->added = true;
        {
            std::lock_guard lock(abortMutex_);
            wakeup_ = handles_->multi;
        }
        auto rc = static_cast<CURLcode>(Perform());
        switch (rc) {
            case CURLE_OK:
                break;
            case CURLE_READ_ERROR:
            case CURLE_SEND_ERROR:
                throw inet_error("InternetWriteFile error");
            case CURLE_WRITE_ERROR:
            case CURLE_RECV_ERROR:
                throw inet_error("InternetReadFile failed!");
            default:
                throw inet_error("Error on HttpSendRequestEx\n");
        }
        if (bodyOffset_ != body_.size()) throw inet_error("Less bytes written than requested");
        CloseHandles();
    } catch (const inet_error&) {
        CloseHandles();
        if (replyTruncated_) reply.clear();
    }
}

void UrlPost::Run() {
    SendRequest();
    if (notify_) notify_(notifyCode_);
}

}  // namespace tarnel
