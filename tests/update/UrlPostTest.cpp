#include "update/UrlPost.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/HttpTestServer.h"
#include "update/UpdateServer.h"

namespace tarnel {
namespace {

using test::HttpTestServer;

TEST(BodyPiecesTest, SplitsIntoChunksWithTheRestLast) {
    EXPECT_EQ(BodyPieces(1100, 512), (std::vector<size_t>{512, 512, 76}));
    EXPECT_EQ(BodyPieces(1024, 512), (std::vector<size_t>{512, 512}));
    EXPECT_EQ(BodyPieces(0, 512), (std::vector<size_t>{0}));
    EXPECT_EQ(BodyPieces(3, 512), (std::vector<size_t>{3}));
}

// Sends one request to a local server and returns what it received.
struct Exchange {
    HttpTestServer::Request request;
    std::string reply;
    std::vector<size_t> pieces;
    bool truncated = false;
    int notified = -1;
};

// The request as it must reach the server, every byte of it.
std::string ExpectedRequest(int port, const std::vector<uint8_t>& body) {
    return "POST /cgi-bin/qz_vemora_upcln.pyg?ver=1.2.3 HTTP/1.1\r\n"
           "Host: update.example:" +
           std::to_string(port) +
           "\r\n"
           "User-Agent: Mozilla\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + std::string(body.begin(), body.end());
}

Exchange Post(const std::string& serverReply, std::vector<uint8_t> body) {
    HttpTestServer server(serverReply);
    UrlPost post;
    // A name, resolved by our own resolver: the Host header carries the name, not the address.
    post.host = "update.example:" + std::to_string(server.port());
    post.resolver = [](const std::string& name) {
        return name == "update.example" ? std::vector<std::string>{"127.0.0.1"}
                                        : std::vector<std::string>{};
    };
    post.path = UpdateRequestPath("1.2.3");
    const std::string expected = ExpectedRequest(server.port(), body);
    Exchange result;
    EXPECT_TRUE(post.OpenRequest(
        std::move(body), 512, [&](uint32_t code) { result.notified = int(code); }, 2));
    post.Run();
    auto requests = server.WaitForRequests(1);
    if (!requests.empty()) result.request = requests[0];
    result.reply = post.reply;
    result.pieces = post.writtenPieces();
    result.truncated = post.replyTruncated();
    EXPECT_EQ(result.request.head + "\r\n" + result.request.body, expected);
    return result;
}

TEST(UrlPostTest, SendsThePostWithItsHeaders) {
    Exchange x = Post("<resp></resp>", {});  // the bytes are compared in Post
    EXPECT_EQ(x.pieces, (std::vector<size_t>{0}));
    EXPECT_EQ(x.reply, "<resp></resp>");
    EXPECT_EQ(x.notified, 2);
}

TEST(UrlPostTest, LongBodyArrivesWholeInChunks) {
    std::vector<uint8_t> body(1100);
    for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t('a' + i % 26);
    Exchange x = Post("ok", body);  // sent at once: no "Expect: 100-continue" round trip
    EXPECT_EQ(x.pieces, (std::vector<size_t>{512, 512, 76}));
}

TEST(UrlPostTest, OversizedReplyIsCutOffAndDropped) {
    Exchange x = Post(std::string(10 * 1024 * 1024, 'x'), {});
    EXPECT_TRUE(x.truncated);
    EXPECT_TRUE(x.reply.empty());
    EXPECT_EQ(x.notified, 2);
}

TEST(UrlPostTest, RefusedConnectionStillNotifiesWithEmptyReply) {
    UrlPost post;
    post.host = "127.0.0.1:" + std::to_string(test::ClosedPort());
    post.path = "/x";
    int notified = 0;
    ASSERT_TRUE(post.OpenRequest(
        {}, 512, [&](uint32_t) { ++notified; }, 2));
    post.Run();
    EXPECT_TRUE(post.reply.empty());
    EXPECT_EQ(notified, 1);
}

TEST(UrlPostTest, EmptyHostFailsToOpen) {
    UrlPost post;
    post.path = "/x";
    EXPECT_FALSE(post.OpenRequest({}, 512, nullptr, 2));
    post.SendRequest();  // no handles: returns quietly
    EXPECT_TRUE(post.reply.empty());
}

TEST(UrlPostTest, ReservedNamesNeverReachTheResolverAndLocalhostStaysLocal) {
    HttpTestServer server("<resp></resp>");
    UrlPost post;
    std::vector<std::string> asked;
    post.resolver = [&](const std::string& name) {
        asked.push_back(name);
        return std::vector<std::string>{"127.0.0.1"};
    };
    post.path = "/x";
    ::unsetenv("TARNEL_UPDATE_HOST");  // the build's own server is one of them
    for (const std::string& host :
         {UpdateHost(), std::string("INVALID."), std::string("a.b.Invalid.:80"),
          std::string("hidden.onion:8080"), std::string("[::1")}) {
        post.host = host;
        EXPECT_FALSE(post.OpenRequest({}, 512, nullptr, 2)) << host;
        post.SendRequest();
    }
    // Not reserved, only look-alikes.
    EXPECT_FALSE(IsUnresolvableName("invalid.example"));
    EXPECT_FALSE(IsUnresolvableName("notinvalid"));
    EXPECT_EQ(SystemResolve("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
    // Answered with the loopback addresses, without asking anyone.
    post.host = "LocalHost:" + std::to_string(server.port());
    ASSERT_TRUE(post.OpenRequest({}, 512, nullptr, 2));
    post.SendRequest();
    EXPECT_EQ(post.reply, "<resp></resp>");
    EXPECT_TRUE(asked.empty());
}

TEST(UrlPostTest, ReusedForASecondRequest) {
    HttpTestServer server("<resp>first</resp>", 2);
    UrlPost post;
    post.host = server.hostPort();
    post.path = "/a";
    ASSERT_TRUE(post.OpenRequest({}, 512, nullptr, 2));
    post.SendRequest();
    EXPECT_EQ(post.reply, "<resp>first</resp>");
    ASSERT_TRUE(post.OpenRequest({'x'}, 512, nullptr, 2));
    post.SendRequest();
    EXPECT_EQ(post.reply, "<resp>first</resp>");  // emptied, then the new reply
    EXPECT_EQ(server.WaitForRequests(2).size(), 2u);
}

}  // namespace
}  // namespace tarnel
