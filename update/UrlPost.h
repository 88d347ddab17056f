#pragma once
// One HTTP POST to the update server. OpenRequest prepares the request on the calling thread;
// SendRequest sends the body and collects the reply on a worker thread. Failures are thrown as
// inet_error inside and never leave the class: the handles are closed and `reply` keeps what was
// read so far.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "update/HostLookup.h"

namespace tarnel {

class inet_error : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Sizes of the pieces in which a body of `total` bytes is written: `chunk` bytes while at least
// that many remain, then the rest; an empty body is one piece of 0 bytes.
std::vector<size_t> BodyPieces(size_t total, size_t chunk);

class UrlPost {
public:
    // A reply longer than this is broken or hostile: reading stops and the reply is invalid.
    static constexpr size_t kMaxReply = 64 * 1024;
    // The reply is taken from the connection in pieces of at most this many bytes.
    static constexpr size_t kReadPiece = 511;

    UrlPost();
    virtual ~UrlPost();
    UrlPost(const UrlPost&) = delete;
    UrlPost& operator=(const UrlPost&) = delete;

    std::string host;  // "name", "name:port", "[v6 address]:port"; the port defaults to 80
    std::string path;  // request path with query
    std::string reply;
    // Resolves the host on a thread that an abort abandons (tests put their own in here).
    HostResolver resolver = SystemResolve;

    // Called on the worker thread after SendRequest with `notifyCode`, standing in for the posted
    // completion message.
    using Notify = std::function<void(uint32_t notifyCode)>;

    // Main thread. Returns false when the request could not be prepared (handles closed),
    // among them a host under a domain reserved never to resolve: nothing is sent for it.
    bool OpenRequest(std::vector<uint8_t> body, uint32_t chunkSize, Notify notify,
                     uint32_t notifyCode);
    // Worker thread. Fills `reply`; on failure the handles are closed.
    void SendRequest();
    // Worker procedure: SendRequest, then the notification.
    void Run();

    // Any thread: makes a running SendRequest return as soon as possible.
    void Abort();

    // What SendRequest handed to the connection, piece by piece (for inspection).
    const std::vector<size_t>& writtenPieces() const { return writtenPieces_; }
    bool replyTruncated() const { return replyTruncated_; }

private:
    struct Handles;
    void CloseHandles();
    int Perform();
    void UseAddresses();
    static size_t ReadBody(char* buffer, size_t size, size_t count, void* self);
    static size_t WriteReply(char* data, size_t size, size_t count, void* self);
    static int Progress(void* self, int64_t, int64_t, int64_t, int64_t);

    std::unique_ptr<Handles> handles_;
    std::vector<uint8_t> body_;
    uint32_t chunkSize_ = 512;
    Notify notify_;
    uint32_t notifyCode_ = 0;
    std::vector<size_t> pieces_;
    size_t nextPiece_ = 0;
    size_t bodyOffset_ = 0;
    std::vector<size_t> writtenPieces_;
    bool replyTruncated_ = false;
    std::atomic<bool> aborted_{false};
    std::string name_;  // the host name without port or brackets
    long port_ = 80;
    std::mutex abortMutex_;   // guards wakeup_ and lookup_ between Abort and the request
    void* wakeup_ = nullptr;  // the multi handle of a running transfer
    std::shared_ptr<HostLookup> lookup_;  // the name resolution under way
};

}  // namespace tarnel
