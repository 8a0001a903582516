#include "bench/eval_operator.h"

#include <bit>
#include <cstddef>
#include <vector>

#include "bench/test_function.h"
#include "framework/thread_stats.h"
#include "platform/per_thread.h"

namespace zarnel {

namespace {

// 2^-32 + 2^-64, the double nearest to 1 / 4294967295. Multiplying by it
// rather than dividing by 4294967295 is part of the encoding.
constexpr double kGeneScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000100000});

// The decoded variables of the evaluations on this thread; grows to the
// largest gene count seen and is reused, so an evaluation allocates nothing
// after the first. Never empty, so its data pointer is never null.
double* ThreadVariables(std::uint32_t count) {
    std::vector<double>& variables = platform::PerThread<struct DecodedVariables, std::vector<double>>();
    const std::size_t needed = count == 0 ? 1 : count;
    if (variables.size() < needed) variables.resize(needed);
    return variables.data();
}

}  // namespace

CDefaultEvalOperator::CDefaultEvalOperator(BenchPopulation* pop, const double* lower, const double* upper,
                                           std::int32_t code, std::int32_t factor)
    : CEvalOperatorBase(pop),
      lowerBounds(lower),
      upperBounds(upper),
      functionCode(code),
      fitnessFactor(factor) {}

std::unique_ptr<double[]> CDefaultEvalOperator::Decode(BenchIndividual* individual) const {
    auto x = std::make_unique<double[]>(individual->GetLength());
    DecodeInto(individual, x.get());
    return x;
}

void CDefaultEvalOperator::DecodeInto(BenchIndividual* individual, double* x) const {
    const std::uint32_t n = individual->GetLength();
    const std::uint32_t* genes = individual->GetGenes();
    for (std::uint32_t i = 0; i < n; ++i) {
        const double width = upperBounds[i] - lowerBounds[i];
        x[i] = lowerBounds[i] + (static_cast<double>(genes[i]) * width) * kGeneScale;
    }
}

double CDefaultEvalOperator::TestFunction(const double* v) const {
    return zarnel::TestFunction(functionCode, v);
}

int CDefaultEvalOperator::Evaluate(BenchIndividual* individual) {
    CountEvaluation();
    try {
        // A code that reads past the genes would read past the decoded array.
        if (TestFunctionVariableCount(functionCode) > individual->GetLength()) throw OperatorException();
        double* x = ThreadVariables(individual->GetLength());
        DecodeInto(individual, x);
        const double value = TestFunction(x);
        const double fitness = static_cast<double>(fitnessFactor) * value;
        individual->SetFitness(fitness);
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
