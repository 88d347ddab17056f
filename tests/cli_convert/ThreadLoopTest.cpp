// The event loop of tarnel-convert's threads: queued calls in order on the loop's thread,
// pumping until idle, Exec until Quit, and timers that stop or destroy themselves as they tick.
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "cli/ThreadLoop.h"

namespace tarnel::cli {
namespace {

TEST(ThreadLoop, RunsCallsFromOtherThreadsInOrderOnItsOwnThread) {
    ThreadLoop loop;
    std::vector<int> order;
    bool foreignThread = false;
    const auto self = std::this_thread::get_id();
    std::jthread poster([&] {
        for (int i = 0; i < 200; ++i) {
            loop.Post([&, i] {
                order.push_back(i);
                foreignThread = foreignThread || std::this_thread::get_id() != self;
            });
        }
        loop.Post([&] { loop.Quit(); });
    });
    loop.Exec();
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
    EXPECT_FALSE(foreignThread);

    // Pumping runs what is queued, and what that queues, then returns without waiting.
    int ran = 0;
    loop.Post([&] {
        ++ran;
        loop.Post([&] { ++ran; });
    });
    loop.Pump(0);
    EXPECT_EQ(ran, 2);
    loop.Pump(0);
    loop.RunFor(1);
    EXPECT_EQ(ran, 2);

    // Quit straight from another thread ends a loop that waits with nothing queued.
    std::promise<void> running;
    std::jthread quitter([&, started = running.get_future()] {
        started.wait();
        loop.Quit();
    });
    loop.Post([&] { running.set_value(); });
    loop.Exec();
}

TEST(ThreadLoop, TimersTickUntilStoppedAndMayGoAwayWhileTicking) {
    ThreadLoop loop;
    int ticks = 0;
    std::unique_ptr<DocumentTimer> stopping;
    stopping = loop.MakeTimer(1, [&] {
        if (++ticks == 3) stopping->Stop();
    });
    int selfTicks = 0;
    std::unique_ptr<DocumentTimer> destroying;
    destroying = loop.MakeTimer(1, [&] {
        ++selfTicks;
        destroying.reset();
    });
    EXPECT_FALSE(stopping->IsActive());  // made stopped
    stopping->Start();
    destroying->Start();
    // A third timer ends the loop well after the others are done.
    std::unique_ptr<DocumentTimer> end = loop.MakeTimer(30, [&] {
        if (!stopping->IsActive()) loop.Quit();
    });
    end->Start();
    loop.Exec();
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(stopping->IsActive());
    EXPECT_EQ(selfTicks, 1);
    EXPECT_EQ(destroying, nullptr);
}

}  // namespace
}  // namespace tarnel::cli
