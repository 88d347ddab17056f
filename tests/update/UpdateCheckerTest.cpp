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

// Closing waits half a second for the request, then abandons it; the bound is generous, as a
// stalled close takes as long as the resolver or the server (seconds).
constexpr auto kCloseBound = std::chrono::milliseconds(1500);

std::chrono::milliseconds TimeToClose(std::unique_ptr<UpdateChecker>& checker) {
    const auto start = std::chrono::steady_clock::now();
    checker.reset();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST(UpdateCheckerTest, ClosingAbortsAHangingRequest) {
    HttpTestServer server("late", 1, /*holdReply=*/true);
    std::string reply = "unset";
    auto checker = std::make_unique<UpdateChecker>([&](std::string r) { reply = std::move(r); });
    ASSERT_TRUE(checker->Start(server.hostPort(), "/u"));
    server.WaitForRequests(1);
    EXPECT_FALSE(checker->WaitIdle(std::chrono::milliseconds(50)));
    EXPECT_LT(TimeToClose(checker), kCloseBound);  // must not wait for the server
    EXPECT_TRUE(reply.empty());
}

TEST(UpdateCheckerTest, ClosingDoesNotWaitForANameServerThatNeverAnswers) {
    // The resolver answers only once the test is over, like a name server that drops queries.
    std::promise<void> asked;
    std::future<void> resolving = asked.get_future();
    std::promise<void> over;  // broken when the test ends, which lets the abandoned thread go
    std::string reply = "unset";
    auto checker = std::make_unique<UpdateChecker>([&](std::string r) { reply = std::move(r); });
    checker->SetResolver([&asked, end = over.get_future().share()](const std::string&) {
        asked.set_value();
        end.wait();
        return std::vector<std::string>{};
    });
    ASSERT_TRUE(checker->Start("slow.example", "/u"));
    ASSERT_EQ(resolving.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_LT(TimeToClose(checker), kCloseBound);
    EXPECT_TRUE(reply.empty());
}

}  // namespace
}  // namespace tarnel
