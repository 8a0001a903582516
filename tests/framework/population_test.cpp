#include "framework/population.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "framework/individual.h"

namespace {

using Individual = zarnel::CIndividual<std::uint32_t, double>;
using Population = zarnel::CPopulation<Individual>;

TEST(CPopulationTest, BuildsIndividualsWithGenesAndClearFlags) {
    Population population(10, 7);
    ASSERT_EQ(population.size, 10u);
    EXPECT_EQ(population.ownsIndividuals, 1);
    for (std::uint32_t i = 0; i < population.size; ++i) {
        EXPECT_EQ(population.GetIndividual(i), &population.individuals[i]);
        EXPECT_EQ(population.GetIndividual(i)->GetLength(), 7u);
        EXPECT_NE(population.GetIndividual(i)->GetGenes(), nullptr);
        EXPECT_EQ(population.busyFlags[i], 0);
    }
}

TEST(CPopulationTest, CapsTheSizeAt32767) {
    Population population(40000, 1);
    EXPECT_EQ(population.size, 32767u);
    EXPECT_NE(population.GetIndividual(32766), nullptr);
    EXPECT_EQ(population.GetIndividual(32767), nullptr);
    EXPECT_EQ(population.TryLock(32767), 0);
}

TEST(CPopulationTest, EmptyPopulationRefusesEveryIndex) {
    Population population(0, 4);
    EXPECT_EQ(population.size, 0u);
    EXPECT_EQ(population.GetIndividual(0), nullptr);
    EXPECT_EQ(population.TryLock(0), 0);
    population.Unlock(0);  // nothing to clear, nothing to report
}

TEST(CPopulationTest, TryLockRefusesBusyIndividualUntilUnlock) {
    Population population(3, 1);
    EXPECT_EQ(population.TryLock(1), 1);
    EXPECT_EQ(population.busyFlags[1], 1);
    EXPECT_EQ(population.TryLock(1), 0);  // same thread
    int fromOtherThread = -1;
    std::thread([&] { fromOtherThread = population.TryLock(1); }).join();
    EXPECT_EQ(fromOtherThread, 0);
    population.Unlock(1);
    EXPECT_EQ(population.busyFlags[1], 0);
    EXPECT_EQ(population.TryLock(1), 1);
}

TEST(CPopulationTest, UnlockOfAFreeOrOutOfRangeIndexChangesNoFlag) {
    Population population(3, 1);
    population.Unlock(0);
    EXPECT_EQ(population.busyFlags[0], 0);
    ASSERT_EQ(population.TryLock(2), 1);
    population.Unlock(3);
    EXPECT_EQ(population.busyFlags[2], 1);
    EXPECT_EQ(population.TryLock(3), 0);
}

TEST(CPopulationTest, PopulationThatDoesNotOwnReleasesNothing) {
    // Memory handed to a non-owning population stays valid after it is gone.
    auto* individuals = new Individual[2];
    auto* flags = new std::atomic<std::int32_t>[2]();
    {
        Population population(0, 0);
        delete[] population.individuals;
        delete[] population.busyFlags;
        population.individuals = individuals;
        population.busyFlags = flags;
        population.size = 2;
        population.ownsIndividuals = 0;
    }
    individuals[1].Create(3);  // still usable
    EXPECT_EQ(individuals[1].GetLength(), 3u);
    EXPECT_EQ(flags[1], 0);
    delete[] individuals;
    delete[] flags;
}

// Several threads claim and release individuals at random. Each individual
// carries an independent occupancy counter, changed only while its claim is
// held: if two threads ever held one individual at once, a counter would read
// above one.
class CPopulationStressTest : public ::testing::TestWithParam<int> {};

TEST_P(CPopulationStressTest, NoIndividualIsEverHeldByTwoThreads) {
    const int threadCount = GetParam();
    constexpr std::uint32_t kSize = 7;  // small, so claims collide often
    constexpr int kClaimsPerThread = 20000;
    Population population(kSize, 1);
    std::vector<std::atomic<int>> occupancy(kSize);
    std::atomic<int> overlaps{0};
    std::atomic<long> claims{0};
    for (std::uint32_t i = 0; i < kSize; ++i) population.GetIndividual(i)->GetGenes()[0] = 0;

    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            std::uint32_t state = 12345u + static_cast<std::uint32_t>(t) * 7919u;
            int done = 0;
            while (done < kClaimsPerThread) {
                state = state * 1664525u + 1013904223u;
                const std::uint32_t index = (state >> 8) % (kSize + 1);  // includes an out-of-range index
                if (population.TryLock(index) == 0) continue;
                ASSERT_LT(index, kSize);
                if (occupancy[index].fetch_add(1) != 0) ++overlaps;
                // Plain writes to the claimed individual: ThreadSanitizer
                // reports them if the claim does not order them.
                population.GetIndividual(index)->GetGenes()[0] += 1;
                population.GetIndividual(index)->SetFitness(static_cast<double>(t));
                occupancy[index].fetch_sub(1);
                population.Unlock(index);
                ++done;
                ++claims;
            }
        });
    }
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(claims.load(), static_cast<long>(threadCount) * kClaimsPerThread);
    std::uint64_t genesTotal = 0;
    for (std::uint32_t i = 0; i < kSize; ++i) {
        EXPECT_EQ(population.busyFlags[i], 0);
        genesTotal += population.GetIndividual(i)->GetGenes()[0];
    }
    // Unsynchronised increments made under exclusive claims lose nothing.
    EXPECT_EQ(genesTotal, static_cast<std::uint64_t>(claims.load()));
}

INSTANTIATE_TEST_SUITE_P(ThreadCounts, CPopulationStressTest, ::testing::Values(2, 3, 8));

}  // namespace
