#include "update/UrlPost.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tarnel {
namespace {

// Every network step is bounded so the worker never hangs on a silent server.
constexpr long kConnectTimeoutMs = 10000;
constexpr long kTotalTimeoutMs = 60000;
constexpr long kLowSpeedSeconds = 15;

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
    CURLM* multi = nullptr;
    ~Handles() {
        if (multi) {
            if (easy) curl_multi_remove_handle(multi, easy);
            curl_multi_cleanup(multi);
        }
        if (headers) curl_slist_free_all(headers);
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
        std::string authority = host.find(':') == std::string::npos ? host + ":80" : host;
        std::string url = "http://" + authority + path;
        if (host.empty() || curl_easy_setopt(handles->easy, CURLOPT_URL, url.c_str()) != CURLE_OK ||
            curl_easy_setopt(handles->easy, CURLOPT_PROTOCOLS_STR, "http") != CURLE_OK) {
            throw inet_error("Failed to connect");
        }
        // Nothing is cached on the way; no "Expect: 100-continue" round trip for small bodies.
        handles->headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
        handles->headers = curl_slist_append(handles->headers, "Pragma: no-cache");
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
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds) == CURLE_OK;
        handles->multi = ok ? curl_multi_init() : nullptr;
        if (!handles->multi || curl_multi_add_handle(handles->multi, easy) != CURLM_OK) {
            throw inet_error("Failed to open request");
        }
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
    if (wakeup_) curl_multi_wakeup(static_cast<CURLM*>(wakeup_));
}

void UrlPost::SendRequest() {
    try {
        if (!handles_) throw inet_error("Failed to open request");
        if (body_.empty()) writtenPieces_.push_back(0);
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
