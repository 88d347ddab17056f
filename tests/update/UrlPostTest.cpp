#include "update/UrlPost.h"

#include <gtest/gtest.h>

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

Exchange Post(const std::string& serverReply, std::vector<uint8_t> body) {
    HttpTestServer server(serverReply);
    UrlPost post;
    post.host = server.hostPort();
    post.path = UpdateRequestPath("1.2.3");
    Exchange result;
    EXPECT_TRUE(post.OpenRequest(
        std::move(body), 512, [&](uint32_t code) { result.notified = int(code); }, 2));
    post.Run();
    auto requests = server.WaitForRequests(1);
    if (!requests.empty()) result.request = requests[0];
    result.reply = post.reply;
    result.pieces = post.writtenPieces();
    result.truncated = post.replyTruncated();
    return result;
}

TEST(UrlPostTest, SendsThePostWithItsHeaders) {
    Exchange x = Post("<resp></resp>", {});
    const std::string& head = x.request.head;
    EXPECT_EQ(head.substr(0, head.find("\r\n")),
              "POST /cgi-bin/qz_vemora_upcln.pyg?ver=1.2.3 HTTP/1.1");
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nContent-Length: 0\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << head;
    EXPECT_EQ(x.pieces, (std::vector<size_t>{0}));
    EXPECT_EQ(x.reply, "<resp></resp>");
    EXPECT_EQ(x.notified, 2);
}

TEST(UrlPostTest, LongBodyArrivesWholeInChunks) {
    std::vector<uint8_t> body(1100);
    for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t('a' + i % 26);
    Exchange x = Post("ok", body);
    EXPECT_NE(x.request.head.find("\r\nContent-Length: 1100\r\n"), std::string::npos);
    EXPECT_EQ(x.request.body, std::string(body.begin(), body.end()));
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
