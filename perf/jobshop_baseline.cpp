// The newcomer's job shop on Zarnel, the baseline of perf/jobshop_targets.sh: the operation
// sequence as a plain permutation of the n x m operations (value v stands for job v / m, its
// k-th occurrence for the job's k-th operation), the fitness of the active schedule alone, an
// N5 descent as improve (written back in the order of the improved schedule), the permutation
// kind's default operators and a population of 1,000. Usage:
//   jobshop_baseline <instance file> [--seed S] [--threads K] [--time-limit T] [--population P]
// Last line: "best makespan <M>".
#include <zarnel/platform/per_thread.h>
#include <zarnel/solve/flags.h>
#include <zarnel/solve/solve.h>

#include <cstdio>
#include <vector>

#include "instance.h"
#include "local_search.h"
#include "schedule.h"
#include "shop.h"

namespace {

struct Buffers {
    std::vector<std::uint32_t> jobs, order, count;
    jobshop::Schedule schedule;
};

struct Baseline {
    const jobshop::LocalSearch* search;
    const jobshop::Shop& Shop() const { return search->GetShop(); }
    zarnel::Permutation genome() const { return {Shop().Operations()}; }
    static void ToJobs(const jobshop::Shop& shop, std::span<const std::uint32_t> genes, Buffers& buffers) {
        buffers.jobs.resize(genes.size());
        for (std::size_t i = 0; i < genes.size(); ++i) buffers.jobs[i] = genes[i] / shop.Steps();
        buffers.order.resize(genes.size());
    }
    static constexpr bool minimise = true;
    double fitness(std::span<const std::uint32_t> genes) const {
        Buffers& buffers = zarnel::platform::PerThread<Buffers>();
        ToJobs(Shop(), genes, buffers);
        return static_cast<double>(jobshop::DecodeActive(Shop(), buffers.jobs, buffers.order));
    }
    void improve(std::span<std::uint32_t> genes, zarnel::Random& random) const {
        Buffers& buffers = zarnel::platform::PerThread<Buffers>();
        ToJobs(Shop(), genes, buffers);
        jobshop::DecodeActive(Shop(), buffers.jobs, buffers.order);
        buffers.schedule.Load(Shop(), buffers.order);
        buffers.schedule.Evaluate();
        search->ImproveSchedule(buffers.schedule, random);
        buffers.schedule.WriteSequence(buffers.jobs);
        // Job j's k-th occurrence takes the value j * m + k.
        buffers.count.assign(Shop().Jobs(), 0);
        for (std::size_t i = 0; i < genes.size(); ++i)
            genes[i] = buffers.jobs[i] * Shop().Steps() + buffers.count[buffers.jobs[i]]++;
    }
};

}  // namespace

int main(int argc, char** argv) {
    zarnel::SolveOptions options;
    options.population = 1000;
    options.quiet = true;
    std::string file;
    zarnel::Flags flags(
        "jobshop_baseline: the newcomer's job shop (permutation, active decoder, N5 descent)");
    flags.Standard(options).Positional("file", "An instance: OR-Library's form or Taillard's", file);
    if (const auto status = flags.Parse(argc, argv)) return *status;
    try {
        const jobshop::Shop shop(jobshop::ReadInstance(file));
        const jobshop::LocalSearch search(shop, {jobshop::SearchSettings::Method::kDescent, 1});
        const auto result = zarnel::Solve(Baseline{&search}, options);
        std::printf("best makespan %.0f\n", result.fitness);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "jobshop_baseline: %s\n", error.what());
        return 2;
    }
}
