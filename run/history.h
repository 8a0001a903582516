#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zarnel::run {

// One line of a run's history: the figures of the population when a
// progress line was printed.
struct HistoryEntry {
    std::uint32_t iteration = 0;    // master iterations so far
    double best = 0.0;              // the highest fitness
    double mean = 0.0;              // the mean fitness
    std::uint64_t distinct = 0;     // individuals whose genes differ from every other's
    std::uint64_t evaluations = 0;  // fitness evaluations so far (0: not counted)
    double seconds = -1.0;          // wall-clock seconds since the start (negative: not timed)
    // One objective under constraints: the best individual's total
    // violation; none without constraints.
    std::optional<double> violation;
    // Several objectives, instead of best and mean (set when `objectives`):
    // the distinct feasible members of the first front, their hypervolume
    // (NaN: not measured) and the feasible share of the population.
    bool objectives = false;
    std::uint64_t frontSize = 0;
    double hypervolume = 0.0;
    double feasibleShare = 0.0;
};

// The figures of the first `count` individuals of a population (a
// CPopulation of CIndividual) at `iteration`: all of them, or those made so
// far when a run stopped while its first population was built. Reads every
// one; call it only while no slave thread works on the population. Distinct
// individuals are counted by their gene bytes.
template <typename Population>
HistoryEntry Summarise(Population& population, std::uint32_t iteration, std::uint32_t count) {
    HistoryEntry entry;
    entry.iteration = iteration;
    if (count == 0) return entry;
    double sum = 0.0;
    std::unordered_set<std::string_view> genomes;
    genomes.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        auto* individual = population.GetIndividual(i);
        const double fitness = static_cast<double>(*individual->GetFitness());
        if (i == 0 || fitness > entry.best) entry.best = fitness;
        sum += fitness;
        const auto* genes = individual->GetGenes();
        genomes.emplace(reinterpret_cast<const char*>(genes), sizeof(*genes) * individual->GetLength());
    }
    entry.mean = sum / count;
    entry.distinct = genomes.size();
    return entry;
}

template <typename Population>
HistoryEntry Summarise(Population& population, std::uint32_t iteration) {
    return Summarise(population, iteration, population.size);
}

// The history of one run, one entry per progress line, in order.
using History = std::vector<HistoryEntry>;

}  // namespace zarnel::run
