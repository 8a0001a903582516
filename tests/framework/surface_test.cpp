// The helpers beside the operator interfaces: claim guard, best individual,
// named statuses.
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <utility>

#include "framework/best_individual.h"
#include "framework/claim_guard.h"
#include "framework/individual.h"
#include "framework/population.h"
#include "framework/status.h"

namespace {

using Population = zarnel::CPopulation<zarnel::CIndividual<int, double>>;
using Claim = zarnel::ClaimGuard<Population>;

int Flag(Population& population, std::uint32_t index) { return population.busyFlags[index].load(); }

TEST(ClaimGuardTest, ReleasesTheClaimWhenAnExceptionLeavesTheScope) {
    Population population(4, 1);
    try {
        Claim claim(population, 2);
        ASSERT_TRUE(claim.Held());
        EXPECT_EQ(population.TryLock(2), 0);
        throw std::runtime_error("step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Flag(population, 2), 0);
    EXPECT_EQ(population.TryLock(2), 1);
}

TEST(ClaimGuardTest, HoldsOnlyWhatTryLockGrantedAndHandsItOnWhenMoved) {
    Population population(3, 1);
    Claim holder(population, 0);
    {
        Claim refused(population, 0);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.Get(), nullptr);
    }
    EXPECT_EQ(Flag(population, 0), 1) << "a refused guard must not free another's claim";
    EXPECT_FALSE(Claim(population, 3)) << "out of range";

    Claim first(population, 1);
    {
        Claim moved = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_EQ(moved.Get(), population.GetIndividual(1));
        first.Release();
        EXPECT_EQ(Flag(population, 1), 1);
    }
    EXPECT_EQ(Flag(population, 1), 0);

    Claim reassigned(population, 2);
    reassigned = Claim(population, 1);
    EXPECT_EQ(Flag(population, 2), 0) << "the old claim goes back on assignment";
    EXPECT_EQ(Flag(population, 1), 1);
    EXPECT_EQ(reassigned.Index(), 1u);
}

TEST(ClaimGuardTest, ClaimDistinctDrawsAgainForBusyOrAlreadyClaimedIndices) {
    Population population(5, 1);
    Claim other(population, 1);
    const std::uint32_t draws[] = {1, 3, 3, 6, 0};  // 6 is index 1 again
    std::size_t next = 0;
    Claim claims[2];
    ASSERT_TRUE(zarnel::ClaimDistinct(population, claims, 2, [&] { return draws[next++]; }));
    EXPECT_EQ(claims[0].Index(), 3u);
    EXPECT_EQ(claims[1].Index(), 0u);
    EXPECT_EQ(next, 5u);
    Population small(1, 1);
    Claim none[2];
    EXPECT_FALSE(zarnel::ClaimDistinct(small, none, 2, [] { return 0u; }));
    EXPECT_EQ(Flag(small, 0), 0);
}

TEST(BestIndividualTest, HighestFitnessWithTiesToTheLowestIndexAndNoLaterNaN) {
    Population population(5, 1);
    const double fitness[5] = {1.0, 3.0, std::numeric_limits<double>::quiet_NaN(), 3.0, 2.0};
    for (std::uint32_t i = 0; i < 5; ++i) population.GetIndividual(i)->SetFitness(fitness[i]);
    EXPECT_EQ(zarnel::BestIndividualIndex(population), 1u);
    EXPECT_EQ(zarnel::BestIndividual(population), population.GetIndividual(1));
    Population empty(0, 1);
    EXPECT_EQ(zarnel::BestIndividual(empty), nullptr);
}

TEST(StatusTest, NamesConvertToTheIntStatusesAndCombineLikeTheirAnd) {
    using zarnel::Status;
    for (int value : {1, 0, -1}) EXPECT_EQ(zarnel::ToInt(zarnel::ToStatus(value)), value);
    EXPECT_EQ(zarnel::ToStatus(2), Status::Done) << "operator-specific values go on like Done";
    EXPECT_EQ(zarnel::Combine(Status::Done, Status::Failed), Status::Done);
    EXPECT_EQ(zarnel::Combine(Status::Failed, Status::Stop), Status::Stop);
    EXPECT_EQ(zarnel::Combine(Status::Failed, Status::Failed), Status::Failed);
}

}  // namespace
