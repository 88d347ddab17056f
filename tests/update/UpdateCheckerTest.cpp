#include "update/UpdateChecker.h"

#include <gtest/gtest.h>

#include <future>

#include "tests/support/HttpTestServer.h"

namespace tarnel {
namespace {

using test::HttpTestServer;

TEST(UpdateCheckerTest, DeliversTheReplyAndRefusesASecondRequestUntilHandled) {
    HttpTestServer server("<resp>http://a.b/c</resp>", 2, /*holdReply=*/true);
    std::promise<std::string> result;
    UpdateChecker checker([&](std::string reply) { result.set_value(std::move(reply)); });
    ASSERT_TRUE(checker.Start(server.hostPort(), "/u"));
    server.WaitForRequests(1);
    EXPECT_TRUE(checker.busy());
    EXPECT_FALSE(checker.Start(server.hostPort(), "/u"));  // still running
    server.Release();
    EXPECT_EQ(result.get_future().get(), "<resp>http://a.b/c</resp>");
    ASSERT_TRUE(checker.WaitIdle(std::chrono::seconds(10)));
    EXPECT_FALSE(checker.Start(server.hostPort(), "/u"));  // result not yet handled
    checker.ResultHandled();
    result = {};
    EXPECT_TRUE(checker.Start(server.hostPort(), "/u"));
    EXPECT_EQ(result.get_future().get(), "<resp>http://a.b/c</resp>");
}

TEST(UpdateCheckerTest, ClosingAbortsAHangingRequest) {
    HttpTestServer server("late", 1, /*holdReply=*/true);
    std::string reply = "unset";
    {
        UpdateChecker checker([&](std::string r) { reply = std::move(r); });
        ASSERT_TRUE(checker.Start(server.hostPort(), "/u"));
        server.WaitForRequests(1);
        EXPECT_FALSE(checker.WaitIdle(std::chrono::milliseconds(50)));
    }  // waits briefly, then aborts; must not wait for the server
    EXPECT_TRUE(reply.empty());
}

}  // namespace
}  // namespace tarnel
