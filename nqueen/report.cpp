#include "nqueen/report.h"

#include <cinttypes>
#include <cstddef>

namespace zarnel {

namespace {

constexpr const char* kRule =
    "##############################################################################\n";

// The rows as "%3i " would print each, formatted by hand into a buffer
// written in large blocks: a board of a million queens is printed twice per
// run, and fprintf's format parsing per number was a visible share of a
// fast run. Genes are rows, never negative.
template <typename Gene>
void WriteRows(std::FILE* out, const Gene* genes, std::uint32_t count) {
    constexpr std::size_t kBlock = 1 << 14;
    constexpr std::size_t kWidest = 12;  // 10 digits of a 32-bit row and a space, padding included
    char buffer[kBlock + kWidest];
    std::size_t used = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t value = genes[i];
        char digits[10];
        std::size_t length = 0;
        do {
            digits[length++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (std::size_t pad = length; pad < 3; ++pad) buffer[used++] = ' ';
        while (length > 0) buffer[used++] = digits[--length];
        buffer[used++] = ' ';
        if (used >= kBlock) {
            std::fwrite(buffer, 1, used, out);
            used = 0;
        }
    }
    if (used > 0) std::fwrite(buffer, 1, used, out);
}

template <typename Population>
bool WriteDump(std::FILE* out, Population& population) {
    float sum = 0.0f;
    for (std::uint32_t i = 0; i < population.size; ++i) {
        auto* individual = population.GetIndividual(i);
        const float fitness = *individual->GetFitness();
        sum = sum + fitness;
        const auto* genes = individual->GetGenes();
        for (std::uint32_t g = 0; g < individual->GetLength(); ++g) {
            std::fprintf(out, "%4i ", static_cast<int>(genes[g]));
        }
        std::fprintf(out, "%f\n", static_cast<double>(fitness));
    }
    const double average = static_cast<double>(sum) / static_cast<double>(population.size);
    std::fprintf(out, "Avg. fitenss: %f\n", average);
    return std::ferror(out) == 0;
}

}  // namespace

void WriteSolutionRows(std::FILE* out, const std::uint16_t* genes, std::uint32_t count) {
    WriteRows(out, genes, count);
}

void WriteSolutionRows(std::FILE* out, const std::uint32_t* genes, std::uint32_t count) {
    WriteRows(out, genes, count);
}

bool WriteReport(std::FILE* out, const NQueenRunSummary& summary) {
    const NQueenParameters& p = *summary.parameters;
    std::fputs(kRule, out);
    std::fprintf(out, "# Number of queens:         %i\n", static_cast<int>(p.queens));
    std::fputs(kRule, out);
    std::fprintf(out, "# Population size:          %i\n", static_cast<int>(p.population_size));
    std::fprintf(out, "# Mutation probability:     %.4lf\n", p.mutation_rate);
    std::fprintf(out, "# Number of slave iter.:    %i\n", static_cast<int>(p.slave_iterations));
    std::fprintf(out, "# Number of slave threads:  %i\n", static_cast<int>(p.slave_threads));
    if (p.StateOf(ParameterKey::kOperators) == KeyState::kSet)
        std::fprintf(out, "# Operator set:             %s\n", p.operators.c_str());
    if (p.StateOf(ParameterKey::kDeterministic) == KeyState::kSet)
        std::fprintf(out, "# Deterministic:            %s\n", p.deterministic.c_str());
    if (summary.seed != nullptr)
        std::fprintf(out, "# Seed:                     %" PRIu32 "\n", *summary.seed);
    std::fputs("# \n", out);
    std::fprintf(out, "# Total master iterations:  %" PRIu32 "\n", summary.totalIterations);
    if (summary.endedBy != nullptr) std::fprintf(out, "# Ended unsolved by the %s\n", summary.endedBy);
    std::fputs(kRule, out);
    std::fputs("\n\n", out);
    std::fputs(kRule, out);
    std::fprintf(out, "# Master time: %" PRId64 " msec\n", summary.masterMsec);
    std::fputs(kRule, out);
    std::fputs("# Threads' times\n", out);
    std::fputs("#\n", out);
    const auto threads = static_cast<std::uint32_t>(p.slave_threads);
    for (std::uint32_t t = 0; t < threads; ++t) {
        const std::uint32_t busy = summary.threadMsec[t];
        const std::uint32_t average = summary.totalIterations == 0 ? 0 : busy / summary.totalIterations;
        std::fprintf(out, "# Thread %" PRIu32 "\n", t);
        std::fprintf(out, "# Total running time: %" PRIu32 " (msec)\n", busy);
        std::fprintf(out, "# Avg. running time: %" PRIu32 " (msec/master iter.)\n", average);
        if (t + 1 < threads) std::fputs("#\n", out);
    }
    std::fputs(kRule, out);
    std::fputs("\n\n", out);
    std::fputs(kRule, out);
    if (summary.endedBy == nullptr) {
        std::fputs("# Solution:\n", out);
    } else {
        std::fprintf(out, "# Best individual found (fitness %f):\n",
                     static_cast<double>(summary.bestFitness));
    }
    std::fputs("#\n# ", out);
    if (summary.wideSolution != nullptr) {
        WriteSolutionRows(out, summary.wideSolution, static_cast<std::uint32_t>(p.queens));
    } else {
        WriteSolutionRows(out, summary.solution, static_cast<std::uint32_t>(p.queens));
    }
    std::fputs("\n#\n", out);
    std::fputs(kRule, out);
    return std::ferror(out) == 0;
}

bool WritePopulationDump(std::FILE* out, NQueenPopulation& population) { return WriteDump(out, population); }

bool WritePopulationDump(std::FILE* out, WideQueenPopulation& population) {
    return WriteDump(out, population);
}

}  // namespace zarnel
