#include "platform/per_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Counts the objects alive and records the order in which they end.
struct Tracked {
    static inline std::atomic<int> alive{0};
    static inline std::mutex guard;        // guards `ended`
    static inline std::vector<int> ended;  // the `id` of each destroyed object, in order
    int id = 0;

    Tracked() { ++alive; }
    ~Tracked() {
        --alive;
        const std::lock_guard lock(guard);
        ended.push_back(id);
    }
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;
};

TEST(PerThread, IsOneObjectPerTagAndThread) {
    std::vector<int>& first = zarnel::platform::PerThread<struct TagA, std::vector<int>>();
    first.assign(3, 7);
    EXPECT_EQ(&first, (&zarnel::platform::PerThread<struct TagA, std::vector<int>>()));
    std::vector<int>& other = zarnel::platform::PerThread<struct TagB, std::vector<int>>();
    EXPECT_NE(&first, &other);
    EXPECT_TRUE(other.empty());

    const std::vector<int>* onThread = nullptr;
    std::size_t sizeOnThread = 99;
    std::thread thread([&] {
        std::vector<int>& mine = zarnel::platform::PerThread<struct TagA, std::vector<int>>();
        onThread = &mine;
        sizeOnThread = mine.size();
        mine.push_back(1);
    });
    thread.join();
    EXPECT_NE(onThread, &first);
    EXPECT_EQ(sizeOnThread, 0u);
    EXPECT_EQ(first, (std::vector<int>{7, 7, 7}));
}

// The thread's objects are destroyed when it ends, the latest made first,
// and a new thread gets new ones; a thread that made none releases none.
TEST(PerThread, ObjectsEndWithTheirThreadLatestFirst) {
    {
        const std::lock_guard lock(Tracked::guard);
        Tracked::ended.clear();
    }
    const int before = Tracked::alive.load();
    for (int round = 0; round < 3; ++round) {
        std::thread thread([round] {
            zarnel::platform::PerThread<struct First, Tracked>().id = 10 * round + 1;
            zarnel::platform::PerThread<struct Second, Tracked>().id = 10 * round + 2;
            zarnel::platform::PerThread<struct First, Tracked>().id += 0;  // the same object again
        });
        thread.join();
        std::thread idle([] {});
        idle.join();
        EXPECT_EQ(Tracked::alive.load(), before) << "round " << round;
    }
    const std::lock_guard lock(Tracked::guard);
    EXPECT_EQ(Tracked::ended, (std::vector<int>{2, 1, 12, 11, 22, 21}));
}

}  // namespace
