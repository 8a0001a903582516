#include "nqueen/slave_operator.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A tournament step that returns scripted statuses and counts its calls.
class ScriptedStep : public zarnel::COperatorBase {
public:
    explicit ScriptedStep(std::vector<int> script) : statuses(std::move(script)) {}
    int Execute() override { return statuses[calls++ % statuses.size()]; }
    std::vector<int> statuses;
    std::size_t calls = 0;
};

TEST(NQueenSlaveOperator, ZeroRepetitionsDoNothing) {
    ScriptedStep step({zarnel::kStop});
    zarnel::CNQueenSlaveOperator slave(&step, 0);
    EXPECT_EQ(slave.Execute(0, 1), zarnel::kDone);
    EXPECT_EQ(step.calls, 0u);
}

TEST(NQueenSlaveOperator, RunsEveryRepetitionThroughFailures) {
    ScriptedStep step({zarnel::kDone, zarnel::kFailed});
    zarnel::CNQueenSlaveOperator slave(&step, 7);
    EXPECT_EQ(slave.Execute(3, 4), zarnel::kDone);
    EXPECT_EQ(step.calls, 7u);
}

TEST(NQueenSlaveOperator, StopsAtTheFirstSolution) {
    ScriptedStep step({zarnel::kDone, zarnel::kFailed, zarnel::kStop, zarnel::kDone});
    zarnel::CNQueenSlaveOperator slave(&step, 10);
    EXPECT_EQ(slave.Execute(), zarnel::kStop);
    EXPECT_EQ(step.calls, 3u);
}

}  // namespace
