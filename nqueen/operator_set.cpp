#include "nqueen/operator_set.h"

#include <algorithm>

#include "nqueen/eval_operator.h"
#include "nqueen/fast_lanes.h"
#include "nqueen/fast_operators.h"
#include "nqueen/init_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/selection_operator.h"
#include "nqueen/slave_operator.h"
#include "run/seed.h"

namespace zarnel {

namespace {

// Steps of one lane between two meetings of the threads: about 4096 queens'
// worth of repair, so that a round of small boards is long beside the
// meeting and a solution on a large board ends its phase within a step or
// two per lane.
std::uint32_t RoundSteps(std::uint32_t queens) {
    constexpr std::uint32_t kQueensPerRound = 4096;
    if (queens == 0) return kQueensPerRound;
    return std::max<std::uint32_t>(1, (kQueensPerRound + queens - 1) / queens);
}

// The fast set on `Gene`s. `start.genes`, when set, has already been given to
// a resume operator in set.init.
template <typename Gene>
void MakeFastSet(const NQueenParameters& parameters, QueenPopulationOf<Gene>* population,
                 NQueenOperatorSetOf<Gene>& set) {
    const auto steps = static_cast<std::uint32_t>(parameters.slave_iterations);
    const auto threads = static_cast<std::uint32_t>(parameters.slave_threads);
    const auto queens = static_cast<std::uint32_t>(parameters.queens);
    const FastOptions options;
    set.fastWork = MakeFastWork<Gene>(threads, set.seed, queens);
    std::vector<FastWorkOf<Gene>*> slaves;
    for (std::uint32_t j = 0; j < threads; ++j) slaves.push_back(set.fastWork[j].get());
    FastWorkOf<Gene>* master = set.fastWork.back().get();
    if (parameters.deterministic == "yes") {
        // The master draws from a stream that does not depend on the thread
        // count; a run without slave threads runs the lanes on the master.
        set.lanes = std::make_unique<FastLanes>(
            set.seed, population->size, std::max<std::uint32_t>(threads, 1), steps, RoundSteps(queens));
        master->random = set.lanes->MasterRandom();
        set.lanes->Deal(master->random);
    }
    // With no slave thread the master builds the population alone.
    if (!set.init) {
        set.init = std::make_unique<CNQueenFastInitOperatorOf<Gene>>(
            population, slaves.empty() ? std::vector<FastWorkOf<Gene>*>{master} : slaves, options,
            set.lanes.get());
    }
    const bool inlinePhase = set.lanes && threads == 0;
    set.slave = std::make_unique<CNQueenFastSlaveOperatorOf<Gene>>(
        population, steps, inlinePhase ? std::vector<FastWorkOf<Gene>*>{master} : slaves, options,
        set.lanes.get());
    set.master = std::make_unique<CNQueenFastMasterOperatorOf<Gene>>(
        population, master, parameters.mutation_rate, options, set.lanes.get(),
        inlinePhase ? set.slave.get() : nullptr);
}

}  // namespace

template <typename Gene>
NQueenOperatorSetOf<Gene>::NQueenOperatorSetOf() = default;
template <typename Gene>
NQueenOperatorSetOf<Gene>::NQueenOperatorSetOf(NQueenOperatorSetOf&&) noexcept = default;
template <typename Gene>
NQueenOperatorSetOf<Gene>::~NQueenOperatorSetOf() = default;

template <typename Gene>
std::uint32_t NQueenOperatorSetOf<Gene>::SeedUsed() const {
    return seedUsed != nullptr ? *seedUsed : seed;
}

template struct NQueenOperatorSetOf<std::uint16_t>;
template struct NQueenOperatorSetOf<std::uint32_t>;

bool UsesFastOperators(const NQueenParameters& parameters) { return parameters.operators == kFastOperators; }

bool UsesWideGenes(const NQueenParameters& parameters) {
    return UsesFastOperators(parameters) && parameters.queens > static_cast<std::int32_t>(kMaxNarrowQueens);
}

NQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, NQueenPopulation* population,
                                  NQueenStart start) {
    NQueenOperatorSet set;
    set.eval = std::make_unique<CNQeenEvalOperator>(population);
    const auto steps = static_cast<std::uint32_t>(parameters.slave_iterations);
    const bool fast = parameters.operators == kFastOperators;
    // A resumed run, or a fast one, fixes its seed now; a new classic run
    // leaves the drawing to its init operator.
    if (start.genes || fast) {
        set.seed = start.seed ? *start.seed : run::SeedFromClock();
    }
    if (start.genes) {
        set.init = std::make_unique<CNQueenResumeOperator>(population, set.eval.get(),
                                                           std::move(*start.genes), set.seed);
    }
    if (fast) {
        MakeFastSet(parameters, population, set);
        return set;
    }
    if (!set.init) {
        auto init = std::make_unique<CNQueenInitOperator>(population, set.eval.get());
        init->seed = start.seed;
        set.seedUsed = &init->seedUsed;
        set.init = std::move(init);
    }
    set.selection = std::make_unique<CNQueenSelectionOperator>(population, set.eval.get());
    set.slave = std::make_unique<CNQueenSlaveOperator>(set.selection.get(), steps);
    set.master =
        std::make_unique<CNQueenMutationOperator>(population, set.eval.get(), parameters.mutation_rate);
    return set;
}

WideQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, WideQueenPopulation* population,
                                     NQueenStartOf<std::uint32_t> start) {
    WideQueenOperatorSet set;
    set.seed = start.seed ? *start.seed : run::SeedFromClock();
    MakeFastSet(parameters, population, set);
    // A resumed population is scored on the master's board.
    if (start.genes) {
        set.init = std::make_unique<CNQueenFastResumeOperatorOf<std::uint32_t>>(
            population, std::move(*start.genes), set.fastWork.back().get());
    }
    return set;
}

}  // namespace zarnel
