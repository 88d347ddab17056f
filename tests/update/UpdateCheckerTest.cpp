#include "update/UpdateChecker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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
    // The resolver blocks until the test ends, like a name server that drops every query.
    struct Silence {
        std::mutex mutex;
        std::condition_variable changed;
        bool asked = false;
        bool over = false;
    };
    auto silence = std::make_shared<Silence>();
    std::string reply = "unset";
    auto checker = std::make_unique<UpdateChecker>([&](std::string r) { reply = std::move(r); });
    checker->SetResolver([silence](const std::string&) {
        std::unique_lock lock(silence->mutex);
        silence->asked = true;
        silence->changed.notify_all();
        silence->changed.wait(lock, [&] { return silence->over; });
        return std::vector<std::string>{};
    });
    ASSERT_TRUE(checker->Start("slow.example", "/u"));
    {
        std::unique_lock lock(silence->mutex);
        ASSERT_TRUE(silence->changed.wait_for(lock, std::chrono::seconds(10),
                                              [&] { return silence->asked; }));
    }
    const auto closing = TimeToClose(checker);
    EXPECT_LT(closing, kCloseBound);
    EXPECT_TRUE(reply.empty());
    std::printf("closing with a silent resolver took %lld ms\n",
                static_cast<long long>(closing.count()));
    std::lock_guard lock(silence->mutex);
    silence->over = true;  // the abandoned lookup thread finishes on its own
    silence->changed.notify_all();
}

TEST(UpdateCheckerTest, TheDefaultServerIsReservedSoNothingIsSent) {
    ::unsetenv("TARNEL_UPDATE_HOST");
    bool asked = false;
    UpdateChecker checker([](std::string) {});
    checker.SetResolver([&](const std::string&) {
        asked = true;
        return std::vector<std::string>{};
    });
    EXPECT_FALSE(checker.StartDefault());
    EXPECT_FALSE(checker.busy());
    EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace tarnel
