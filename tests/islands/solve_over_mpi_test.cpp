// Solve over MPI: what the network cannot carry is refused before any
// island starts.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "genome/bit_string.h"
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

}  // namespace
}  // namespace zarnel::islands
