// Evaluate decodes into storage reused from call to call; the stored fitness
// must be, to the bit, the factor times the function of the owned Decode array.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "platform/random.h"

namespace {

using zarnel::BenchIndividual;
using zarnel::BenchPopulation;
using zarnel::CDefaultEvalOperator;

std::uint64_t Bits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Scores every individual of a random population of n genes with the code and
// factor, and counts fitness values that differ from factor * f(Decode(x)).
int CountMismatches(std::uint32_t n, std::int32_t code, std::int32_t factor, std::uint32_t seed) {
    BenchPopulation population(30, n);
    std::vector<double> lower(n);
    std::vector<double> upper(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        lower[i] = -10.0 + static_cast<double>(i % 7);
        upper[i] = 10.0 + static_cast<double>(i % 5);
    }
    CDefaultEvalOperator eval(&population, lower.data(), upper.data(), code, factor);
    platform::SeedRand(seed);
    int mismatches = 0;
    for (std::uint32_t k = 0; k < population.size; ++k) {
        BenchIndividual* individual = population.GetIndividual(k);
        for (std::uint32_t i = 0; i < n; ++i) individual->GetGenes()[i] = platform::Rand32();
        if (eval.Evaluate(individual) != zarnel::kDone) return -1;
        const double expected =
            static_cast<double>(factor) * eval.TestFunction(eval.Decode(individual).get());
        if (Bits(*individual->GetFitness()) != Bits(expected)) ++mismatches;

        std::vector<double> decoded(n);
        eval.DecodeInto(individual, decoded.data());
        const auto owned = eval.Decode(individual);
        if (std::memcmp(decoded.data(), owned.get(), n * sizeof(double)) != 0) ++mismatches;
    }
    return mismatches;
}

TEST(BenchFastEvaluate, FitnessMatchesTheDecodedArrayBitForBit) {
    // Griewank-40 as the benchmark runs it, every n-variable function, and the
    // one- and two-variable families on longer strings.
    EXPECT_EQ(CountMismatches(40, 40004, 1, 1), 0);
    EXPECT_EQ(CountMismatches(40, 40004, -1, 2), 0);
    for (std::int32_t index = 0; index <= 5; ++index) EXPECT_EQ(CountMismatches(12, 12000 + index, 1, 3), 0);
    EXPECT_EQ(CountMismatches(3, 1005, -1, 4), 0);
    EXPECT_EQ(CountMismatches(5, 2004, 1, 5), 0);
}

// The storage is reused: a short string after a long one, and a string after
// a rejected evaluation, see only their own variables.
TEST(BenchFastEvaluate, ReusedStorageServesShorterStringsAndFailures) {
    EXPECT_EQ(CountMismatches(200, 200000, 1, 6), 0);
    EXPECT_EQ(CountMismatches(2, 2000, 1, 7), 0);

    BenchPopulation population(1, 3);
    const double lower[3] = {-1.0, -1.0, -1.0};
    const double upper[3] = {1.0, 1.0, 1.0};
    CDefaultEvalOperator reading4(&population, lower, upper, 4000, 1);
    BenchIndividual* individual = population.GetIndividual(0);
    individual->SetFitness(5.0);
    EXPECT_EQ(reading4.Evaluate(individual), zarnel::kFailed) << "four variables from three genes";
    EXPECT_EQ(*individual->GetFitness(), 5.0);
    EXPECT_EQ(CountMismatches(3, 3000, 1, 8), 0);
}

TEST(BenchFastEvaluate, ThreadsEvaluatingAtOnceGetTheDecodedValues) {
    std::vector<int> mismatches(3, -2);
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < 3; ++t) {
        threads.emplace_back([t, &mismatches] {
            const std::uint32_t n = 10 + 30 * t;
            mismatches[t] = CountMismatches(n, static_cast<std::int32_t>(n * 1000 + 4), 1, t + 10);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(3, 0));
}

}  // namespace
