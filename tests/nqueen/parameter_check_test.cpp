#include "nqueen/parameter_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using zarnel::KeyState;
using zarnel::NQueenParameters;

NQueenParameters Valid() {
    NQueenParameters p;
    p.queens = 8;
    p.population_size = 100;
    p.slave_iterations = 10;
    p.slave_threads = 2;
    p.mutation_rate = 0.05;
    p.keyStates.fill(KeyState::kSet);
    return p;
}

// The message, which must name the key and the file.
std::string Problem(const NQueenParameters& p, const char* key) {
    const std::string message = zarnel::CheckParameters(p, "params.txt");
    EXPECT_NE(message.find(key), std::string::npos) << message;
    EXPECT_NE(message.find("params.txt"), std::string::npos) << message;
    return message;
}

TEST(CheckParameters, AcceptsUsableValues) {
    EXPECT_EQ(zarnel::CheckParameters(Valid(), "p"), "");
    auto p = Valid();
    p.queens = 65536;
    p.population_size = -1;  // builds 32767
    p.slave_threads = 0;
    p.slave_iterations = 0;
    p.mutation_rate = 0.0;
    p.keyStates[5] = KeyState::kUnset;  // dump_directory is optional
    EXPECT_EQ(zarnel::CheckParameters(p, "p"), "");
}

TEST(CheckParameters, EveryRequiredKeyMustBeSet) {
    const char* names[] = {"queens", "population_size", "slave_iterations", "slave_threads", "mutation_rate"};
    for (int k = 0; k < 5; ++k) {
        auto p = Valid();
        p.keyStates[k] = KeyState::kUnset;
        EXPECT_NE(Problem(p, names[k]).find("not set"), std::string::npos);
        p.keyStates[k] = KeyState::kOutOfRange;
        EXPECT_NE(Problem(p, names[k]).find("range"), std::string::npos);
    }
}

TEST(CheckParameters, QueensFromFourTo65536) {
    for (int queens : {3, 1, 0, -4, 65537}) {
        auto p = Valid();
        p.queens = queens;
        Problem(p, "queens");
    }
}

TEST(CheckParameters, PopulationMustOutnumberTwiceTheThreads) {
    auto p = Valid();
    p.population_size = 1;
    p.slave_threads = 0;
    Problem(p, "population_size");
    p.population_size = 4;
    p.slave_threads = 2;
    Problem(p, "population_size");
    p.population_size = 5;
    EXPECT_EQ(zarnel::CheckParameters(p, "p"), "");
    p.population_size = 40000;  // capped at 32767
    p.slave_threads = 16384;
    Problem(p, "population_size");
    p.slave_threads = 16383;
    EXPECT_EQ(zarnel::CheckParameters(p, "p"), "");
}

TEST(CheckParameters, CountsAndRateMustNotBeNegative) {
    auto p = Valid();
    p.slave_threads = -1;
    Problem(p, "slave_threads");
    p = Valid();
    p.slave_iterations = -1;
    Problem(p, "slave_iterations");
    for (double rate : {-0.01, std::numeric_limits<double>::infinity(), std::nan("")}) {
        p = Valid();
        p.mutation_rate = rate;
        Problem(p, "mutation_rate");
    }
}

// A master iteration runs its swaps whole, so a rate far beyond any useful
// one (5e8 for 5e-8) would hold the machine for hours whatever the limits;
// above 2^32 swaps the pass's count wrapped (134217728 x 32 made none).
TEST(CheckParameters, MutationRateHasAnUpperBound) {
    auto p = Valid();
    p.mutation_rate = zarnel::kMaxMutationRate;
    EXPECT_EQ(zarnel::CheckParameters(p, "p"), "");
    p.mutation_rate = std::nextafter(zarnel::kMaxMutationRate, 2 * zarnel::kMaxMutationRate);
    Problem(p, "mutation_rate");
    p.population_size = 30;
    p.mutation_rate = 1e9;
    EXPECT_EQ(zarnel::CheckParameters(p, "p.txt"),
              "Invalid parameter file p.txt: mutation_rate 1e+09 is above 1000 swaps per individual: for 30 "
              "individuals it asks for 3e+10 gene swaps in every master iteration, which no limit or end "
              "request can interrupt");
    p.population_size = 32;
    p.mutation_rate = 134217728;
    EXPECT_NE(
        zarnel::CheckParameters(p, "p.txt").find("for 32 individuals it asks for 4294967296 gene swaps"),
        std::string::npos);
    p.population_size = -1;  // builds 32767
    p.mutation_rate = 5e8;
    EXPECT_NE(zarnel::CheckParameters(p, "p.txt").find("mutation_rate 5e+08 is above 1000"),
              std::string::npos);
}

// No swap (the rate times the individuals rounds to 0) and no tournament step.
TEST(CheckRunCanEnd, RefusesAPopulationThatNeverChanges) {
    auto p = Valid();
    p.population_size = 10;
    p.mutation_rate = 0.04;
    p.slave_threads = 0;
    EXPECT_EQ(zarnel::CheckRunCanEnd(p, "p.txt"),
              "Invalid parameter file p.txt: mutation_rate 0.04 gives no gene swap for 10 individuals and "
              "slave_threads is 0, so the population never changes and the run would never end");
    p.slave_threads = 2;
    p.slave_iterations = 0;
    EXPECT_NE(zarnel::CheckRunCanEnd(p, "p.txt").find("slave_iterations is 0"), std::string::npos);
    p.mutation_rate = 0.05;  // one swap
    EXPECT_EQ(zarnel::CheckRunCanEnd(p, "p.txt"), "");
    p.mutation_rate = 0.0;
    p.slave_iterations = 1;
    EXPECT_EQ(zarnel::CheckRunCanEnd(p, "p.txt"), "");
}

TEST(CheckRunMemory, ComparesTheEstimateWithWhatIsAvailable) {
    auto p = Valid();
    p.queens = 65536;
    p.population_size = 32767;
    // 32767 gene arrays of 128 KiB dominate.
    const std::uint64_t estimate = zarnel::EstimateRunMemory(p);
    EXPECT_GT(estimate, 32767ull * 131072);
    EXPECT_LT(estimate, 32767ull * 131072 * 101 / 100);
    EXPECT_EQ(zarnel::CheckRunMemory(p, "p.txt", estimate, "physical memory"), "");
    EXPECT_EQ(
        zarnel::CheckRunMemory(p, "p.txt", 2000000000, "physical memory"),
        "Invalid parameter file p.txt: queens 65536, population_size 32767 and slave_threads 2 need about "
        "4.30 GB of memory, more than the 2.00 GB of physical memory");
    // Each slave thread's scratch space counts too.
    p.slave_threads = 16383;
    EXPECT_GE(zarnel::EstimateRunMemory(p), estimate + (16383ull - 2) * 65536 * 20);
}

TEST(PopulationSizeBuilt, CapsTheUnsignedValue) {
    EXPECT_EQ(zarnel::PopulationSizeBuilt(100), 100u);
    EXPECT_EQ(zarnel::PopulationSizeBuilt(40000), 32767u);
    EXPECT_EQ(zarnel::PopulationSizeBuilt(-1), 32767u);
    EXPECT_EQ(zarnel::PopulationSizeBuilt(0), 0u);
}

}  // namespace

namespace {

TEST(CheckParameters, TheFastSetTakesBoardsBeyond65536AndTheDeterministicKey) {
    auto p = Valid();
    p.StateRef(zarnel::ParameterKey::kOperators) = KeyState::kSet;
    p.operators = "fast";
    p.queens = 1000000;
    EXPECT_EQ(zarnel::CheckParameters(p, "p"), "");
    p.queens = zarnel::kMaxFastQueens + 1;
    EXPECT_NE(Problem(p, "queens").find("with operators fast"), std::string::npos);
    p.queens = 8;
    p.StateRef(zarnel::ParameterKey::kDeterministic) = KeyState::kSet;
    for (const char* value : {"yes", "no"}) {
        p.deterministic = value;
        EXPECT_EQ(zarnel::CheckParameters(p, "p"), "") << value;
    }
    p.deterministic = "Yes please";
    EXPECT_NE(Problem(p, "deterministic").find("must be yes or no"), std::string::npos);
    p.deterministic = "yes";
    p.operators = "classic";
    EXPECT_NE(Problem(p, "deterministic").find("needs operators fast"), std::string::npos);
}

TEST(CheckIslandKeys, DeterminismIsRefusedOverMpiAndWideBoardsWhereThereAreIslands) {
    auto p = Valid();
    p.StateRef(zarnel::ParameterKey::kOperators) = KeyState::kSet;
    p.operators = "fast";
    p.queens = 100000;
    p.deterministic = "yes";
    p.islandKeys = true;
    // ZarnelNQueen with `islands 1` is the plain run: both hold.
    p.islandsKey = true;
    p.islands = 1;
    EXPECT_EQ(zarnel::CheckIslandKeys(p, "p.txt"), "");
    // More islands in one process migrate at fixed iterations; islands over
    // MPI (no islands key) do not.
    p.queens = 1000;
    p.islands = 3;
    EXPECT_EQ(zarnel::CheckIslandKeys(p, "p.txt"), "");
    p.islandsKey = false;
    p.islands = 1;
    const std::string overMpi = zarnel::CheckIslandKeys(p, "p.txt");
    EXPECT_NE(overMpi.find("deterministic yes cannot hold with islands over MPI"), std::string::npos)
        << overMpi;
    p.queens = 100000;
    p.deterministic = "no";
    for (const bool local : {true, false}) {
        p.islandsKey = local;
        p.islands = local ? 3 : 1;
        const std::string wide = zarnel::CheckIslandKeys(p, "p.txt");
        EXPECT_NE(wide.find("at most 65536 for islands"), std::string::npos) << wide;
    }
}

TEST(EstimateRunMemory, CountsWideGenesAtTheirWidth) {
    auto p = Valid();
    p.StateRef(zarnel::ParameterKey::kOperators) = KeyState::kSet;
    p.operators = "fast";
    p.queens = 65536;
    const std::uint64_t narrow = zarnel::EstimateRunMemory(p);
    p.queens = 65537;
    // One more queen per board, but every gene doubles from 2 to 4 bytes.
    EXPECT_GT(zarnel::EstimateRunMemory(p), narrow + std::uint64_t{100} * 65536 * 2);
}

}  // namespace
