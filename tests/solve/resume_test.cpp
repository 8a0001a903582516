#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/population.h"
#include "solve/population_io.h"
#include "solve/solve.h"
#include "tests/solve/test_problems.h"

namespace {

using namespace solve_test;
namespace fs = std::filesystem;

class SolveResume : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarnel_resume_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Writes a random population of the problem's kind as a dump and reads
    // it back; the genes must come back bit for bit.
    template <class Problem>
    void RoundTrip(const Problem& problem) {
        using Kind = zarnel::KindOf<Problem>;
        using Gene = typename Kind::Gene;
        const Kind kind = problem.genome();
        zarnel::CPopulation<zarnel::CIndividual<Gene, double>> population(7, kind.Length());
        zarnel::Random random(5);
        for (std::uint32_t i = 0; i < population.size; ++i) {
            auto* individual = population.GetIndividual(i);
            kind.Init(std::span<Gene>(individual->GetGenes(), kind.Length()), random);
            individual->SetFitness(-1.0 / 3.0 * i);
        }
        const zarnel::detail::DumpHeader header{"p", std::string(Kind::kName), kind.Length(), 7, 123, 9};
        const std::string path = Path(std::string(Kind::kName) + ".txt");
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(zarnel::detail::WriteDump(file, header, population, kind));
        std::fclose(file);
        const zarnel::detail::DumpText dump = zarnel::detail::ReadDumpText(path, header);
        EXPECT_EQ(dump.header.iteration, 123u);
        EXPECT_EQ(dump.header.seed, 9u);
        std::vector<Gene> genes(kind.Length());
        for (std::uint32_t i = 0; i < population.size; ++i) {
            ASSERT_EQ(kind.Read(dump.genomes[i], genes), "") << dump.genomes[i];
            const Gene* written = population.GetIndividual(i)->GetGenes();
            EXPECT_EQ(std::memcmp(genes.data(), written, genes.size() * sizeof(Gene)), 0) << Kind::kName;
            EXPECT_EQ(dump.lines[i], 7u + i);
        }
    }

    fs::path dir_;
};

TEST_F(SolveResume, EveryKindsDumpReadsBackBitForBit) {
    RoundTrip(OneMax{});
    RoundTrip(Sorting{});
    RoundTrip(Sphere{});
    RoundTrip(NearSeven{});
    RoundTrip(Grouping{});
}

TEST_F(SolveResume, CtrlCDumpsAndAResumedRunGoesOnWithoutReplacingIt) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program cannot send itself Ctrl+C through raise";
#endif
    zarnel::SolveOptions options;
    options.threads = 2;
    options.population = 20;
    options.seed = 3;
    options.quiet = true;
    options.maxIterations = 50;
    options.dumpDirectory = dir_.string();
    options.progressInterval = 1e-6;
    bool asked = false;
    options.progress = [&](const zarnel::Progress& progress) {
        if (!asked && progress.iteration >= 10) {
            std::raise(SIGINT);
            asked = true;
        }
    };
    const auto first = zarnel::Solve(Sphere{}, options);
    ASSERT_EQ(first.dumps.size(), 1u);
    const fs::path dump = first.dumps.front();
    const std::uint64_t dumpedAt = std::stoull(dump.stem().string());
    EXPECT_GE(dumpedAt, 10u);
    std::ifstream in(dump);
    const std::string before((std::istreambuf_iterator<char>(in)), {});

    // The resumed run counts on from the dump, so its own dump takes a new
    // name; and a record may not be the dump it reads.
    options.resumeFrom = dump.string();
    options.record = dump.string();
    EXPECT_THROW(zarnel::Solve(Sphere{}, options), zarnel::SolveError);
    options.record = Path("resumed.json");
    asked = false;
    const auto second = zarnel::Solve(Sphere{}, options);
    ASSERT_EQ(second.dumps.size(), 1u);
    EXPECT_GT(std::stoull(fs::path(second.dumps.front()).stem().string()), dumpedAt);
    std::ifstream again(dump);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
    // The resumed population holds the dump's best, and the best never gets worse.
    double dumpedBest = -1e300;
    std::istringstream lines(before);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t mark = line.rfind(" # ");
        if (!line.starts_with("#") && mark != std::string::npos)
            dumpedBest = std::max(dumpedBest, std::stod(line.substr(mark + 3)));
    }
    EXPECT_GE(second.fitness, dumpedBest);
    std::ifstream record(options.record);
    EXPECT_NE(std::string((std::istreambuf_iterator<char>(record)), {}).find("\"resumed_from\""),
              std::string::npos);
}

TEST_F(SolveResume, ADumpThatDoesNotFitTheRunIsRefusedNamingFileAndLine) {
    const auto refusal = [&](const std::string& text, std::uint32_t population = 2) {
        const std::string path = Path("bad.txt");
        std::ofstream(path) << text;
        zarnel::SolveOptions options;
        options.threads = 0;
        options.population = population == 2 ? 3 : population;
        options.quiet = true;
        options.maxIterations = 1;
        options.resumeFrom = path;
        try {
            zarnel::Solve(Sorting{3}, options);
        } catch (const zarnel::SolveError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    const std::string head = "# zarnel population dump\n# genome: permutation 3\n# individuals: 3\n";
    EXPECT_EQ(refusal(head + "0 1 2\n2 1 0\n1 0 2 # -1\n"), "accepted");
    EXPECT_NE(refusal(head + "0 1 2\n2 1 1\n1 0 2\n").find("line 5: "), std::string::npos);
    EXPECT_NE(refusal(head + "0 1 2\n2 1 0\n").find("cut-off"), std::string::npos);
    EXPECT_NE(refusal("# zarnel population dump\n# genome: permutation 4\n# individuals: 3\n0 1 2 3\n")
                  .find("this run's genome is permutation with 3"),
              std::string::npos);
    EXPECT_NE(refusal("0 1 2\n").find("no population dump"), std::string::npos);
    EXPECT_NE(refusal(head + "0 1 2\n2 1 0\n1 0 2\n", 6).find("set the population to match"),
              std::string::npos);
}

// A dump of another problem whose genomes fit resumed in silence, and a
// file whose reading fails (/proc/self/mem) was called empty.
TEST_F(SolveResume, ADumpOfAnotherProblemIsNamedAndAReadErrorIsNoEmptyFile) {
    const std::string path = Path("other.txt");
    std::ofstream(path) << "# zarnel population dump\n# problem: berlin52\n# genome: permutation 3\n"
                           "# individuals: 3\n0 1 2\n2 1 0\n1 0 2\n";
    zarnel::SolveOptions options;
    options.threads = 0;
    options.population = 3;
    options.quiet = true;
    options.maxIterations = 1;
    options.resumeFrom = path;
    ::testing::internal::CaptureStderr();
    zarnel::Solve(Sorting{3}, options);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning: " + path +
                  " is a dump of the problem \"berlin52\"; this run's problem is \"sorting\" (its genomes "
                  "fit, so the run resumes from them)\n");
#ifdef __linux__
    options.resumeFrom = "/proc/self/mem";
    try {
        zarnel::Solve(Sorting{3}, options);
        ADD_FAILURE() << "resumed from /proc/self/mem";
    } catch (const zarnel::SolveError& error) {
        EXPECT_STREQ(error.what(),
                     "Cannot resume from /proc/self/mem: it cannot be read: Input/output error");
    }
#endif
}

}  // namespace
