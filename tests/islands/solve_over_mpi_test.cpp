// Solve over MPI: what the network cannot carry is refused before any
// island starts; every island's front reaches island 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#ifdef ZARNEL_ISLANDS_TESTS_READ_RECORDS
#include <nlohmann/json.hpp>
#endif

#include "genome/bit_string.h"
#include "genome/real_vector.h"
#include "islands/mpi_transport.h"
#include "islands_test_session.h"
#include "solve/solve.h"

namespace zarnel::islands {
namespace {

// 2^31 bits of one byte each: one migrant (with its 8-byte fitness) is
// more than an MPI message of bytes can hold.
struct HugeGenome {
    std::uint32_t length = 0x80000000U;
    BitString genome() const { return {length}; }
    double fitness(std::span<const std::uint8_t>) const { return 0.0; }
};

// Five iterations of ten individuals over `network`, printing nothing and
// leaving the signals alone.
SolveOptions QuietShortRun(IslandNetwork& network) {
    SolveOptions options;
    options.network = &network;
    options.quiet = true;
    options.handleSignals = false;
    options.population = 10;
    options.maxIterations = 5;
    return options;
}

TEST(SolveOverMpiTest, MessagesAboveWhatMpiCarriesAreRefusedOnEveryRankBeforeAnyStarts) {
    ASSERT_EQ(testSession->Size(), 3);
    for (const std::uint32_t perProcess : {1U, 2U}) {
        MpiIslands network(*testSession, perProcess);
        const SolveOptions options = QuietShortRun(network);
        try {
            (void)Solve(HugeGenome{}, options);
            ADD_FAILURE() << "a run whose migrants MPI cannot carry was started";
        } catch (const SolveError& error) {
            const std::string message = error.what();
            EXPECT_NE(
                message.find("migrants 1 of 2147483648 genes make messages of 2147483664 bytes, more than "
                             "islands over MPI carry (2147483647)"),
                std::string::npos)
                << message;
        }
    }
    // A genome that fits runs.
    MpiIslands network(*testSession, 1);
    const SolveOptions options = QuietShortRun(network);
    EXPECT_NO_THROW((void)Solve(HugeGenome{64}, options));
}

TEST(SolveOverMpiTest, ProcessesWithDifferentNumbersOfIslandsAreRefusedOnEveryRank) {
    // Process 0 runs one island, the others two.
    MpiIslands network(*testSession, testSession->Rank() == 0 ? 1 : 2);
    const SolveOptions options = QuietShortRun(network);
    try {
        (void)Solve(HugeGenome{64}, options);
        ADD_FAILURE() << "processes of different island counts started";
    } catch (const SolveError& error) {
        EXPECT_STREQ(
            error.what(),
            "islands over MPI: the processes run from 1 to 2 islands each; give every process the same "
            "number");
    }
}

#ifdef ZARNEL_ISLANDS_TESTS_READ_RECORDS
// BNH: two objectives, two constraints.
struct Bnh {
    RealVector genome() const { return {{0.0, 0.0}, {5.0, 3.0}}; }
    std::array<double, 2> objectives(std::span<const double> v) const {
        return {4 * v[0] * v[0] + 4 * v[1] * v[1], (v[0] - 5) * (v[0] - 5) + (v[1] - 5) * (v[1] - 5)};
    }
    std::array<double, 2> constraints(std::span<const double> v) const {
        return {(v[0] - 5) * (v[0] - 5) + v[1] * v[1] - 25,
                7.7 - (v[0] - 8) * (v[0] - 8) - (v[1] + 3) * (v[1] + 3)};
    }
    std::array<double, 2> referencePoint() const { return {149.6, 54.6}; }
};

// Three processes of one and of two islands, each island's first
// generation apart (no migration yet): the run's front, every island's
// together, covers more than any island's own.
TEST(SolveOverMpiTest, EveryIslandsFrontReachesIslandZero) {
    for (const std::uint32_t perProcess : {1U, 2U}) {
        MpiIslands network(*testSession, perProcess);
        SolveOptions options = QuietShortRun(network);
        options.population = 20;
        options.maxIterations = 1;
        options.seed = 4;
        options.record = (std::filesystem::temp_directory_path() /
                          ("zarnel_mpi_front_" + std::to_string(perProcess) + ".json"))
                             .string();
        const auto result = Solve(Bnh{}, options);
        if (testSession->Rank() != 0) continue;
        nlohmann::json record;
        {
            std::ifstream in(options.record);
            record = nlohmann::json::parse(in);
        }
        std::filesystem::remove(options.record);
        ASSERT_EQ(record["islands"].size(), 3u * perProcess);
        double highest = 0.0;
        for (const auto& island : record["islands"])
            highest = std::max(highest, island["hypervolume"].get<double>());
        EXPECT_GT(result.hypervolume, highest) << perProcess;
        EXPECT_EQ(record["front"].size(), result.front.size());
    }
}
#endif

}  // namespace
}  // namespace zarnel::islands
