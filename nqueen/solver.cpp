#include "nqueen/solver.h"

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
#include "nqueen/mutation_operator.h"
#include "nqueen/nqueen_types.h"
#include "nqueen/operator_set.h"
#include "nqueen/parameter_check.h"
#include "nqueen/parameter_file.h"
#include "nqueen/report.h"
#include "platform/console.h"
#include "platform/memory.h"
#include "run/atomic_file.h"
#include "run/console_output.h"
#include "run/seed.h"

namespace zarnel {

namespace {

constexpr int kBadInput = -1;
constexpr std::uint32_t kChunk = 1000;

// True when `a` and `b` name the same file: the same device and inode when
// both exist, else the same place once links and dots are resolved.
bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    std::error_code otherError;
    const fs::path first = fs::weakly_canonical(a, error);
    const fs::path second = fs::weakly_canonical(b, otherError);
    return !error && !otherError && first == second;
}

// Empty when the report can be written at `path`; otherwise the reason, so
// that a long run never ends with nowhere to write its report. The check
// creates nothing that remains, so a run ended from outside leaves no report.
std::string CheckReportPath(const std::string& path, const std::string& parameterPath) {
    namespace fs = std::filesystem;
    const std::string prefix = "Cannot write report file " + path + ": ";
    std::error_code error;
    // The report would replace the parameters it was made from.
    if (!path.empty() && fs::is_regular_file(parameterPath, error) &&
        fs::equivalent(path, parameterPath, error))
        return prefix + "it is the parameter file " + parameterPath;
    const std::string reason = run::CheckReplaceable(path);
    return reason.empty() ? reason : prefix + reason;
}

// Empty when the run's data fits in what the system offers: the physical
// memory, or a smaller address-space limit.
std::string CheckMemory(const NQueenParameters& parameters, const std::string& parameterPath) {
    std::uint64_t available = platform::PhysicalMemoryBytes();
    std::string what = "physical memory";
    const std::uint64_t limit = platform::AddressSpaceLimitBytes();
    if (limit != 0 && (available == 0 || limit < available)) {
        available = limit;
        what = "address space that the process may use";
    }
    if (available == 0) return {};
    return CheckRunMemory(parameters, parameterPath, available, what);
}

// The files that a run reads or writes besides its dumps.
struct KeptFiles {
    const std::string& parameters;
    const std::string& report;
};

// Writes the dump named after the iteration count, unless that name is the
// parameter or the report file; a failure is reported on `err` and the run
// goes on.
void DumpPopulation(NQueenPopulation& population, const std::string& directory, std::uint32_t total,
                    const KeptFiles& kept, std::FILE* err) {
    const std::string name = std::to_string(total) + ".txt";
    const std::string path = directory.empty() ? name : (std::filesystem::path(directory) / name).string();
    const char* clash = SameFile(path, kept.parameters) ? "parameter file"
                        : SameFile(path, kept.report)   ? "report file"
                                                        : nullptr;
    if (clash != nullptr) {
        std::fprintf(err, "Population dump %s not written: it would replace the %s\n", path.c_str(), clash);
        return;
    }
    const std::string reason = run::WriteFileAtomically(
        path, [&](std::FILE* file) { return WritePopulationDump(file, population); });
    if (!reason.empty()) {
        std::fprintf(err, "Unable to write population dump %s: %s; no file was changed\n", path.c_str(),
                     reason.c_str());
    }
}

bool WriteReportFile(const std::string& path, const NQueenRunSummary& summary, std::FILE* err) {
    const std::string reason =
        run::WriteFileAtomically(path, [&](std::FILE* file) { return WriteReport(file, summary); });
    if (!reason.empty()) {
        std::fprintf(err, "Unable to write report file %s: %s; the file was left as it was\n", path.c_str(),
                     reason.c_str());
    }
    return reason.empty();
}

// Builds everything, runs to a solution and tears down in reverse order of
// construction (the objects live on this frame).
int SolveAndReport(const NQueenParameters& parameters, const KeptFiles& files, std::FILE* out,
                   std::FILE* err) {
    NQueenPopulation population(PopulationSizeBuilt(parameters.population_size),
                                static_cast<std::uint32_t>(parameters.queens));
    const std::uint64_t runSeed = run::SeedFromClock();
    NQueenOperatorSet operators = MakeOperatorSet(parameters, &population, runSeed);
    CParallelGA engine(operators.init.get(), operators.master.get(), operators.slave.get(),
                       static_cast<std::uint32_t>(parameters.slave_threads));

    // A console that fails (a closed pipe, a full disk) does not stop the
    // run: the report is still written and the exit status tells.
    run::ConsoleOutput console(out, err, "ZarnelNQueen");
    std::uint32_t total = 0;
    const std::uint16_t* solution = nullptr;
    for (;;) {
        total += engine.Run(kChunk);
        NQueenIndividual* best = population.GetIndividual(FindBestIndex(population));
        const float fitness = *best->GetFitness();
        std::fprintf(out, "Iter: %" PRIu32 ", best ind fitness: %f\n", total, static_cast<double>(fitness));
        console.Flush();
        solution = best->GetGenes();
        if (platform::TakeCtrlCRequest())
            DumpPopulation(population, parameters.dump_directory, total, files, err);
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
    const bool reported = WriteReportFile(files.report, summary, err);

    std::fputs("\nSolution:\n", out);
    WriteSolutionRows(out, solution, static_cast<std::uint32_t>(parameters.queens));
    console.Flush();

    // Scripts and CI have no keyboard: wait only when a person is there.
    if (platform::StdinIsTerminal()) platform::ReadKeyNoEcho();
    if (!reported) return kReportNotWritten;
    return console.Failed() ? kConsoleOutputFailed : 0;
}

}  // namespace

int RunNQueen(int argc, const char* const argv[], std::FILE* out, std::FILE* err) {
    platform::InstallCtrlCHandler();
    platform::IgnoreBrokenPipe();
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
        opened = ReadParameterFile(parameterPath.c_str(), parameters, [err](const std::string& warning) {
            std::fprintf(err, "%s\n", warning.c_str());
        });
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
    if (problem.empty()) problem = CheckRunCanEnd(parameters, parameterPath);
    if (problem.empty()) problem = CheckMemory(parameters, parameterPath);
    if (problem.empty()) problem = CheckReportPath(reportPath, parameterPath);
    if (!problem.empty()) {
        std::fprintf(err, "%s\n", problem.c_str());
        return kBadInput;
    }
    try {
        return SolveAndReport(parameters, KeptFiles{parameterPath, reportPath}, out, err);
    } catch (const std::exception& error) {
        // Memory or threads for the run were not available.
        std::fprintf(err, "ZarnelNQueen: cannot run: %s\n", error.what());
        return kBadInput;
    }
}

}  // namespace zarnel
