#include "framework/operator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/individual.h"
#include "framework/population.h"

namespace {

using Individual = zarnel::CIndividual<std::uint16_t, float>;
using Population = zarnel::CPopulation<Individual>;

// Returns a scripted status per individual and records the call order.
class ScriptedEval : public zarnel::CEvalOperatorBase<Population> {
public:
    ScriptedEval(Population* pop, std::vector<int> script)
        : CEvalOperatorBase(pop), statuses(std::move(script)) {}
    int Evaluate(Individual* individual) override {
        const auto index = static_cast<std::size_t>(individual - population->individuals);
        calls.push_back(index);
        return statuses[index];
    }
    std::vector<int> statuses;
    std::vector<std::size_t> calls;
};

TEST(CEvalOperatorBaseTest, EmptyPopulationEvaluatesNothingAndReturnsOne) {
    Population population(0, 1);
    ScriptedEval eval(&population, {});
    EXPECT_EQ(eval.Execute(), 1);
    EXPECT_TRUE(eval.calls.empty());
}

TEST(CEvalOperatorBaseTest, AStopIsReportedButEveryIndividualIsStillEvaluated) {
    Population population(3, 1);
    ScriptedEval eval(&population, {1, 0, -1});
    EXPECT_EQ(eval.Execute(), 0);
    EXPECT_EQ(eval.calls, (std::vector<std::size_t>{0, 1, 2}));
}

TEST(CEvalOperatorBaseTest, CaughtExceptionsDoNotShowInTheResult) {
    Population population(3, 1);
    ScriptedEval eval(&population, {1, -1, -1});
    EXPECT_EQ(eval.Execute(), 1);
}

class RecordingSlave : public zarnel::CSlaveOperatorBase {
public:
    using CSlaveOperatorBase::Execute;
    int Execute(std::uint32_t threadIndex, std::uint32_t threadCount) override {
        seenIndex = threadIndex;
        seenCount = threadCount;
        return status;
    }
    int status = 1;
    std::uint32_t seenIndex = 99;
    std::uint32_t seenCount = 99;
};

TEST(CSlaveOperatorBaseTest, PlainExecuteRunsAsTheOnlySlaveThread) {
    RecordingSlave slave;
    for (int status : {1, 0, -1}) {
        slave.status = status;
        zarnel::COperatorBase& asPlain = slave;
        EXPECT_EQ(asPlain.Execute(), status);
        EXPECT_EQ(slave.seenIndex, 0u);
        EXPECT_EQ(slave.seenCount, 1u);
    }
}

}  // namespace
