#include "nqueen/operator_set.h"

#include "nqueen/eval_operator.h"
#include "nqueen/fast_operators.h"
#include "nqueen/init_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/selection_operator.h"
#include "nqueen/slave_operator.h"
#include "run/seed.h"

namespace zarnel {

NQueenOperatorSet::NQueenOperatorSet() = default;
NQueenOperatorSet::NQueenOperatorSet(NQueenOperatorSet&&) noexcept = default;
NQueenOperatorSet::~NQueenOperatorSet() = default;

std::uint32_t NQueenOperatorSet::SeedUsed() const { return seedUsed != nullptr ? *seedUsed : seed; }

NQueenOperatorSet MakeOperatorSet(const NQueenParameters& parameters, NQueenPopulation* population,
                                  NQueenStart start) {
    NQueenOperatorSet set;
    set.eval = std::make_unique<CNQeenEvalOperator>(population);
    const auto steps = static_cast<std::uint32_t>(parameters.slave_iterations);
    const auto threads = static_cast<std::uint32_t>(parameters.slave_threads);
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
        const FastOptions options;
        set.fastWork = MakeFastWork(threads, set.seed, static_cast<std::uint32_t>(parameters.queens));
        std::vector<FastWork*> slaves;
        for (std::uint32_t j = 0; j < threads; ++j) slaves.push_back(set.fastWork[j].get());
        FastWork* master = set.fastWork.back().get();
        // With no slave thread the master builds the population alone.
        if (!set.init) {
            set.init = std::make_unique<CNQueenFastInitOperator>(
                population, slaves.empty() ? std::vector<FastWork*>{master} : slaves, options);
        }
        set.slave = std::make_unique<CNQueenFastSlaveOperator>(population, steps, slaves, options);
        set.master = std::make_unique<CNQueenFastMasterOperator>(population, master, parameters.mutation_rate,
                                                                 options);
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

}  // namespace zarnel
