#include "run/thread_seed.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/random.h"

namespace {

using zarnel::run::ThreadSeeder;

// The first two draws of a generator started from `seed`.
std::pair<int, int> FirstTwoDraws(std::uint32_t seed) {
    const std::uint32_t s1 = platform::NextRandState(seed);
    return {platform::RandFromState(s1), platform::RandFromState(platform::NextRandState(s1))};
}

TEST(ThreadSeederTest, EachThreadDrawsFromItsOwnStreamSeededOnce) {
    const ThreadSeeder seeder(42);
    std::pair<int, int> drawn[2];
    const auto body = [&](std::uint32_t j) {
        seeder.SeedOnce(j);
        drawn[j].first = platform::Rand();
        seeder.SeedOnce(j);  // a later step of the same thread: no reseeding
        drawn[j].second = platform::Rand();
    };
    std::thread t0(body, 0u), t1(body, 1u);
    t0.join();
    t1.join();
    EXPECT_EQ(drawn[0], FirstTwoDraws(ThreadSeeder::StreamSeed(42, 0)));
    EXPECT_EQ(drawn[1], FirstTwoDraws(ThreadSeeder::StreamSeed(42, 1)));
    EXPECT_NE(ThreadSeeder::StreamSeed(42, 0), ThreadSeeder::StreamSeed(42, 1));
}

TEST(ThreadSeederTest, ANewSeederSeedsAThreadAgain) {
    std::thread([] {
        const ThreadSeeder first(7);
        first.SeedOnce(0);
        platform::Rand();
        const ThreadSeeder second(7);
        second.SeedOnce(0);
        EXPECT_EQ(platform::Rand(), FirstTwoDraws(ThreadSeeder::StreamSeed(7, 0)).first);
    }).join();
}

}  // namespace
