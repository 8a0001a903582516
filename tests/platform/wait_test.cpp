#include "platform/wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/semaphore.h"

namespace {

using platform::AutoResetEvent;
using platform::CountingSemaphore;
using platform::Waitable;

TEST(AutoResetEventTest, StartsUnsignalledAndResetsAfterOneWait) {
    AutoResetEvent event;
    EXPECT_FALSE(event.TryWait());
    event.Set();
    event.Set();  // a second Set on a signalled event adds nothing
    EXPECT_TRUE(event.TryWait());
    EXPECT_FALSE(event.TryWait());
}

TEST(AutoResetEventTest, WakesAThreadBlockedInWait) {
    AutoResetEvent event;
    AutoResetEvent reply;
    int payload = 0;
    std::thread waiter([&] {
        event.Wait();
        payload += 1;  // ordered after the Set below
        reply.Set();
    });
    payload = 41;
    event.Set();
    reply.Wait();
    EXPECT_EQ(payload, 42);
    waiter.join();
}

TEST(CountingSemaphoreTest, ReleaseAddsUnitsUpToTheMaximum) {
    CountingSemaphore semaphore(3);
    semaphore.Release(5);
    int taken = 0;
    while (semaphore.TryWait()) ++taken;
    EXPECT_EQ(taken, 3);
}

TEST(WaitForAnyTest, ReportsTheFirstObjectWhenBothAreSignalled) {
    AutoResetEvent start;
    CountingSemaphore exit(1);
    start.Set();
    exit.Release(1);
    Waitable* const list[2] = {&start, &exit};
    EXPECT_EQ(platform::WaitForAny(list, 2), 0u);
    // The semaphore's unit is still there, and now it is the only one.
    EXPECT_EQ(platform::WaitForAny(list, 2), 1u);
    EXPECT_FALSE(start.TryWait());
    EXPECT_FALSE(exit.TryWait());
}

TEST(WaitForAnyTest, WakesOnWhicheverObjectIsSignalledLater) {
    for (std::size_t which = 0; which < 2; ++which) {
        AutoResetEvent start;
        CountingSemaphore exit(1);
        Waitable* const list[2] = {&start, &exit};
        std::size_t reported = 99;
        std::thread waiter([&] { reported = platform::WaitForAny(list, 2); });
        if (which == 0) {
            start.Set();
        } else {
            exit.Release(1);
        }
        waiter.join();
        EXPECT_EQ(reported, which);
    }
}

TEST(WaitForAnyTest, OneSemaphoreReleaseEndsEveryWaiterOnce) {
    // Many waiters share one semaphore, each with its own event, as the
    // engine's slave threads do; well beyond 64 of them.
    constexpr std::uint32_t kThreads = 100;
    CountingSemaphore exit(kThreads);
    std::vector<AutoResetEvent> events(kThreads);
    std::atomic<int> startsSeen{0};
    std::atomic<int> exitsSeen{0};
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Waitable* const list[2] = {&events[t], &exit};
            while (platform::WaitForAny(list, 2) == 0) ++startsSeen;
            ++exitsSeen;
        });
    }
    for (auto& event : events) event.Set();
    exit.Release(kThreads);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(exitsSeen.load(), static_cast<int>(kThreads));
    EXPECT_LE(startsSeen.load(), static_cast<int>(kThreads));
    EXPECT_FALSE(exit.TryWait());
}

TEST(WaitForAnyTest, ListsLongerThanOneSystemWaitReportTheLowestSignalled) {
    // 70 objects pass the 64 handles that one system wait takes on Windows.
    constexpr std::size_t kCount = 70;
    std::vector<AutoResetEvent> events(kCount);
    std::vector<Waitable*> list;
    for (auto& event : events) list.push_back(&event);
    events[68].Set();
    events[66].Set();
    EXPECT_EQ(platform::WaitForAny(list.data(), kCount), 66u);
    EXPECT_EQ(platform::WaitForAny(list.data(), kCount), 68u);
    std::thread late([&] { events[69].Set(); });
    EXPECT_EQ(platform::WaitForAny(list.data(), kCount), 69u);
    late.join();
    for (auto& event : events) EXPECT_FALSE(event.TryWait());
}

TEST(WaitForAllTest, ReturnsOnlyAfterEveryEventWasSetAndConsumesThem) {
    constexpr std::size_t kCount = 70;
    std::vector<AutoResetEvent> events(kCount);
    std::vector<Waitable*> list;
    for (auto& event : events) list.push_back(&event);
    std::vector<int> written(kCount, 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kCount; ++i) {
        threads.emplace_back([&, i] {
            written[i] = static_cast<int>(i) + 1;
            events[i].Set();
        });
    }
    platform::WaitForAll(list.data(), list.size());
    for (std::size_t i = 0; i < kCount; ++i) EXPECT_EQ(written[i], static_cast<int>(i) + 1);
    for (auto& event : events) EXPECT_FALSE(event.TryWait());
    for (auto& thread : threads) thread.join();
}

}  // namespace
