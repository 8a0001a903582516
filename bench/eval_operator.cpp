#include "bench/eval_operator.h"

#include <bit>

#include "bench/test_function.h"

namespace zarnel {

namespace {

// 2^-32 + 2^-64, the double nearest to 1 / 4294967295. Multiplying by it
// rather than dividing by 4294967295 is part of the encoding.
constexpr double kGeneScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000100000});

}  // namespace

CDefaultEvalOperator::CDefaultEvalOperator(BenchPopulation* pop, const double* lower, const double* upper,
                                           std::int32_t code, std::int32_t factor)
    : CEvalOperatorBase(pop),
      lowerBounds(lower),
      upperBounds(upper),
      functionCode(code),
      fitnessFactor(factor) {}

std::unique_ptr<double[]> CDefaultEvalOperator::Decode(BenchIndividual* individual) const {
    const std::uint32_t n = individual->GetLength();
    const std::uint32_t* genes = individual->GetGenes();
    auto x = std::make_unique<double[]>(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const double width = upperBounds[i] - lowerBounds[i];
        x[i] = lowerBounds[i] + (static_cast<double>(genes[i]) * width) * kGeneScale;
    }
    return x;
}

double CDefaultEvalOperator::TestFunction(const double* v) const {
    return zarnel::TestFunction(functionCode, v);
}

int CDefaultEvalOperator::Evaluate(BenchIndividual* individual) {
    try {
        // A code that reads past the genes would read past the decoded array.
        if (TestFunctionVariableCount(functionCode) > individual->GetLength()) throw OperatorException();
        const std::unique_ptr<double[]> x = Decode(individual);
        const double value = TestFunction(x.get());
        const double fitness = static_cast<double>(fitnessFactor) * value;
        individual->SetFitness(fitness);
        return kDone;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace zarnel
