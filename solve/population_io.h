#pragma once

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "solve/fitness_key.h"
#include "solve/problem.h"
#include "solve/session.h"

namespace zarnel::detail {

// The index of the best individual: the highest fitness, a NaN below every
// number (for a problem with constraints: by the feasibility rules), the
// lowest index among equals. Only while no slave thread works.
template <class Population>
std::uint32_t BestIndex(Population& population) {
    const auto key = [&](std::uint32_t i) { return KeyOf(*population.GetIndividual(i)->GetFitness()); };
    std::uint32_t best = 0;
    for (std::uint32_t i = 1; i < population.size; ++i) {
        if (key(i) > key(best)) best = i;
    }
    return best;
}

// Writes the population to `file` in the dump format (session.h); false when
// a write failed. With `negated`, the population holds minus the problem's
// costs (a problem that minimises), and the dump shows the costs; an
// infeasible individual's comment adds "violation" and its total violation.
template <class Kind, class Population>
bool WriteDump(std::FILE* file, const DumpHeader& header, Population& population, const Kind& kind,
               bool negated = false) {
    using Gene = typename Kind::Gene;
    const std::string title = DumpHeaderText(header);
    if (std::fwrite(title.data(), 1, title.size(), file) != title.size()) return false;
    std::string line;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        auto* individual = population.GetIndividual(i);
        line.clear();
        kind.Write(std::span<const Gene>(individual->GetGenes(), individual->GetLength()), line);
        char fitness[80];
        const auto& scored = *individual->GetFitness();
        const double value = ValueOf(scored);
        if (ViolationIn(scored) != 0.0) {
            std::snprintf(fitness, sizeof fitness, " # %.17g violation %.17g\n", negated ? -value : value,
                          ViolationIn(scored));
        } else {
            std::snprintf(fitness, sizeof fitness, " # %.17g\n", negated ? -value : value);
        }
        line += fitness;
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) return false;
    }
    return true;
}

// A number whose kind a decode learns only when it runs (a binding's decode
// in another language).
using DecodedNumber = std::variant<std::int64_t, double>;

// Numbers as the record keeps them: whole numbers exactly, others as reals;
// DecodedNumbers as whole numbers when every one is whole.
template <class Range>
std::variant<std::vector<std::int64_t>, std::vector<double>> RecordedNumbers(const Range& values) {
    using Value = std::remove_cvref_t<decltype(*std::begin(values))>;
    if constexpr (std::is_same_v<Value, DecodedNumber>) {
        bool whole = true;
        for (const DecodedNumber& value : values)
            whole = whole && std::holds_alternative<std::int64_t>(value);
        if (whole) {
            std::vector<std::int64_t> numbers;
            for (const DecodedNumber& value : values) numbers.push_back(std::get<std::int64_t>(value));
            return numbers;
        }
        std::vector<double> numbers;
        for (const DecodedNumber& value : values)
            numbers.push_back(std::visit([](auto number) { return static_cast<double>(number); }, value));
        return numbers;
    } else if constexpr (std::is_integral_v<Value>) {
        std::vector<std::int64_t> numbers;
        for (const auto& value : values) numbers.push_back(static_cast<std::int64_t>(value));
        return numbers;
    } else {
        std::vector<double> numbers;
        for (const auto& value : values) numbers.push_back(static_cast<double>(value));
        return numbers;
    }
}

// The solution as the record shows it: what the problem's decode makes of
// the genes, or the genes themselves.
template <class Problem, class Gene>
std::variant<std::vector<std::int64_t>, std::vector<double>> RecordedSolution(const Problem& problem,
                                                                              std::span<const Gene> genes) {
    if constexpr (HasDecode<Problem>) {
        return RecordedNumbers(problem.decode(genes));
    } else {
        return RecordedNumbers(genes);
    }
}

}  // namespace zarnel::detail
