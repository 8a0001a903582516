#include "nqueen/solver.h"

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "framework/parallel_ga.h"
#include "nqueen/eval_operator.h"
#include "nqueen/init_operator.h"
#include "nqueen/mutation_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"
#include "nqueen/report.h"
#include "nqueen/selection_operator.h"
#include "nqueen/slave_operator.h"
#include "platform/console.h"

namespace zarnel {

namespace {

constexpr int kBadInput = -1;
constexpr std::uint32_t kChunk = 1000;

// The system's text for an error number (thread-safe, unlike strerror).
std::string ErrorText(int error) { return std::generic_category().message(error); }

// Empty when the report can be written at `path`; otherwise the reason, so
// that a long run never ends with nowhere to write its report. The file is
// opened for appending, which leaves an existing report as it is; a file that
// the probe created is removed again, so that a run ended from outside still
// leaves no report.
std::string CheckReportPath(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string prefix = "Cannot write report file " + path + ": ";
    std::error_code error;
    if (fs::is_directory(fs::path(path), error)) return prefix + "it is a directory";
    fs::path directory = fs::path(path).parent_path();
    if (directory.empty()) directory = ".";
    if (!fs::is_directory(directory, error)) {
        if (fs::exists(directory, error)) return prefix + directory.string() + " is not a directory";
        return prefix + "directory " + directory.string() + " does not exist";
    }
    // A file whose existence cannot be told is never removed.
    const bool mayExist = fs::exists(fs::path(path), error) || error;
    std::FILE* probe = std::fopen(path.c_str(), "a");
    if (probe == nullptr) return prefix + ErrorText(errno);
    std::fclose(probe);
    if (!mayExist) std::remove(path.c_str());
    return {};
}

// Writes the dump named after the iteration count; a failure is reported on
// `err` and the run goes on.
void DumpPopulation(NQueenPopulation& population, const std::string& directory, std::uint32_t total,
                    std::FILE* err) {
    const std::string name = std::to_string(total) + ".txt";
    const std::string path = directory.empty() ? name : (std::filesystem::path(directory) / name).string();
    std::FILE* file = std::fopen(path.c_str(), "w");
    bool written = false;
    if (file != nullptr) {
        written = WritePopulationDump(file, population);
        written = std::fclose(file) == 0 && written;
    }
    if (!written) {
        std::fprintf(err, "Unable to write population dump %s: %s\n", path.c_str(), ErrorText(errno).c_str());
    }
}

bool WriteReportFile(const std::string& path, const NQueenRunSummary& summary, std::FILE* err) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    bool written = false;
    if (file != nullptr) {
        written = WriteReport(file, summary);
        written = std::fclose(file) == 0 && written;
    }
    if (!written)
        std::fprintf(err, "Unable to write report file %s: %s\n", path.c_str(), ErrorText(errno).c_str());
    return written;
}

// Builds everything, runs to a solution and tears down in reverse order of
// construction (the objects live on this frame).
int SolveAndReport(const NQueenParameters& parameters, const std::string& reportPath, std::FILE* out,
                   std::FILE* err) {
    NQueenPopulation population(PopulationSizeBuilt(parameters.population_size),
                                static_cast<std::uint32_t>(parameters.queens));
    CNQeenEvalOperator evalOperator(&population);
    CNQueenInitOperator initOperator(&population, &evalOperator);
    CNQueenSelectionOperator selectionOperator(&population, &evalOperator);
    CNQueenSlaveOperator slaveOperator(&selectionOperator,
                                       static_cast<std::uint32_t>(parameters.slave_iterations));
    CNQueenMutationOperator mutationOperator(&population, &evalOperator, parameters.mutation_rate);
    CParallelGA engine(&initOperator, &mutationOperator, &slaveOperator,
                       static_cast<std::uint32_t>(parameters.slave_threads));

    std::uint32_t total = 0;
    const std::uint16_t* solution = nullptr;
    for (;;) {
        total += engine.Run(kChunk);
        NQueenIndividual* best = population.GetIndividual(FindBestIndex(population));
        const float fitness = *best->GetFitness();
        std::fprintf(out, "Iter: %" PRIu32 ", best ind fitness: %f\n", total, static_cast<double>(fitness));
        std::fflush(out);
        solution = best->GetGenes();
        if (platform::TakeCtrlCRequest()) DumpPopulation(population, parameters.dump_directory, total, err);
        if (fitness == 0.0f) break;
    }

    std::int64_t masterMsec = 0;
    const std::unique_ptr<std::uint32_t[]> threadMsec = engine.GetThreadTimes(masterMsec);
    NQueenRunSummary summary;
    summary.parameters = &parameters;
    summary.totalIterations = total;
    summary.masterMsec = masterMsec;
    summary.threadMsec = threadMsec.get();
    summary.solution = solution;
    const bool reported = WriteReportFile(reportPath, summary, err);

    std::fputs("\nSolution:\n", out);
    WriteSolutionRows(out, solution, static_cast<std::uint32_t>(parameters.queens));
    std::fflush(out);

    // Scripts and CI have no keyboard: wait only when a person is there.
    if (platform::StdinIsTerminal()) platform::ReadKeyNoEcho();
    return reported ? 0 : kReportNotWritten;
}

}  // namespace

int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err) {
    platform::InstallCtrlCHandler();
    if (argc != 3) {
        std::fputs(
            "Usage: ZarnelNQueen.exe <input file> <output file>\n For details see sample input file.\n", out);
        return kBadInput;
    }
    const std::string parameterPath = argv[1];
    const std::string reportPath = argv[2];
    NQueenParameters parameters;
    bool opened = false;
    try {
        opened = ReadParameterFile(parameterPath.c_str(), parameters);
    } catch (const std::bad_alloc&) {
        // A file or stream larger than the memory available, for instance
        // one that never ends.
        std::fprintf(err, "Unable to load parameter file %s: not enough memory\n", parameterPath.c_str());
        return kBadInput;
    }
    if (!opened) {
        std::fputs("Unable to open input file!\n", out);
        return kBadInput;
    }
    std::string problem = CheckParameters(parameters, parameterPath);
    if (problem.empty()) problem = CheckReportPath(reportPath);
    if (!problem.empty()) {
        std::fprintf(err, "%s\n", problem.c_str());
        return kBadInput;
    }
    try {
        return SolveAndReport(parameters, reportPath, out, err);
    } catch (const std::exception& error) {
        // Memory or threads for the run were not available.
        std::fprintf(err, "ZarnelNQueen: cannot run: %s\n", error.what());
        return kBadInput;
    }
}

}  // namespace zarnel
