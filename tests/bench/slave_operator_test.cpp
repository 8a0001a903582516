#include "bench/slave_operator.h"

#include <gtest/gtest.h>

#include <array>

#include "bench/bench_types.h"
#include "bench/eval_operator.h"
#include "bench/selection_operator.h"

namespace {

using zarnel::BenchPopulation;

// Counts the steps it is asked for and reports each as failed.
class CountingSelection : public zarnel::CDefaultSelectionOperator {
public:
    using CDefaultSelectionOperator::CDefaultSelectionOperator;
    int Execute() override {
        ++calls;
        return -1;
    }
    int calls = 0;
};

TEST(CDefaultSlaveOperatorTest, RunsTheStepRepetitionsTimesAndAlwaysReturnsOne) {
    BenchPopulation population(5, 1);
    const double bound = 0.0;
    zarnel::CDefaultEvalOperator eval(&population, &bound, &bound, 0, 1);
    for (std::uint32_t repetitions : {0u, 1u, 7u}) {
        CountingSelection selection(&population, &eval);
        zarnel::CDefaultSlaveOperator slave(&selection, repetitions);
        EXPECT_EQ(slave.Execute(1, 2), 1);
        EXPECT_EQ(selection.calls, static_cast<int>(repetitions));
        EXPECT_EQ(slave.Execute(), 1);
        EXPECT_EQ(selection.calls, static_cast<int>(2 * repetitions));
    }
}

}  // namespace
