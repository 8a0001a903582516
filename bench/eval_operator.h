#pragma once

#include <cstdint>
#include <memory>

#include "bench/bench_types.h"
#include "framework/operator.h"

namespace zarnel {

// Scores a bit string: decodes each gene linearly onto its variable's
// interval [lowerBounds[i], upperBounds[i]], applies the test function
// selected by functionCode and stores fitnessFactor times the value.
// Points to the population and the bounds arrays, owns none of them. One
// object serves every thread: Evaluate and Decode only read its fields (the
// decoded variables of Evaluate live in storage private to the calling
// thread), so any thread may call them at once on different individuals.
class CDefaultEvalOperator : public CEvalOperatorBase<BenchPopulation> {
public:
    CDefaultEvalOperator(BenchPopulation* pop, const double* lower, const double* upper, std::int32_t code,
                         std::int32_t factor);

    // Stores the individual's fitness and returns 1. Returns -1 and leaves the
    // fitness as it was when the code names no function, when the code reads
    // more variables than the individual has genes, or when anything throws.
    int Evaluate(BenchIndividual* individual) override;

    // A new array of one real per gene: lower + (gene * (upper - lower)) * S,
    // where S (bit pattern 0x3DF0000000100000) is the double nearest to
    // 1 / (2^32 - 1), so that gene 0 maps to the lower bound and gene
    // 0xFFFFFFFF to the upper bound.
    std::unique_ptr<double[]> Decode(BenchIndividual* individual) const;

    // Decode into x, which holds at least one entry per gene: the same values,
    // without allocating.
    void DecodeInto(BenchIndividual* individual, double* x) const;

    // The test function selected by functionCode, over the variables v.
    double TestFunction(const double* v) const;

    const double* lowerBounds;  // one per gene, not owned
    const double* upperBounds;  // one per gene, not owned
    std::int32_t functionCode;
    std::int32_t fitnessFactor;  // +1 seeks the function's maximum, -1 its minimum
};

}  // namespace zarnel
