// ZarnelBench's command line through the shell (cmd.exe on Windows): words
// that are no flags are ignored with a warning, bad flags and values are
// refused before anything runs; the help names the defaults and the
// functions; the tables name each function and say what their evaluations
// count. Runs on Linux and, in the cross build, under Wine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifdef ZARNEL_BENCH_HAS_RECORDS
#include <nlohmann/json.hpp>
#endif
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    // Text mode: a Windows program's \r\n reads as \n.
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BenchArguments : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("zarnel_bench_args_" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directories(dir));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // ZarnelBench in `dir` with `arguments` as the shell reads them.
    Outcome Run(const std::string& arguments) const {
#ifdef _WIN32
        const std::string command = "cd /d \"" + dir.string() + "\" && \"" + ZARNEL_BENCH_PATH + "\" " +
                                    arguments + " > out.txt 2> err.txt";
        // cmd.exe strips the outermost pair of quotes.
        const int status = std::system(("\"" + command + "\"").c_str());
#else
        const std::string command = "cd \"" + dir.string() + "\" && \"" + ZARNEL_BENCH_PATH + "\" " +
                                    arguments + " > out.txt 2> err.txt < /dev/null";
        const int raw = std::system(command.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        return {status, ReadText(dir / "out.txt"), ReadText(dir / "err.txt")};
    }

    // The files in `dir` besides the captured output.
    std::vector<std::string> OtherFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "out.txt" && name != "err.txt") names.push_back(name);
        }
        return names;
    }

    fs::path dir;
};

// Whether `out` is the fixed benchmark's report: ten lines, two blocks of
// two threads' time lines and the best fitness.
bool IsFixedReport(const std::string& out) {
    static const std::regex report(
        R"(((Thread No\.   [01] (total|avg  ) time: +\d+ msec\n){4}Best individual fitness: +-?\d+\.\d{10}\n){2})");
    return std::regex_match(out, report);
}

// Words that are no flags are ignored and the fixed benchmark runs, with one
// warning line per word. Words were refused with status 2 and the usage.
TEST_F(BenchArguments, WordsThatAreNoFlagsAreIgnoredWithOneWarningEach) {
    struct Case {
        const char* arguments;
        const char* err;
    };
#ifdef ZARNEL_BENCH_HAS_FLAGS
    const Case cases[] = {
        {"foo", "ZarnelBench: ignoring 'foo', which is no flag\n"},
        {"function=1000",
         "ZarnelBench: ignoring 'function=1000', which is no flag; did you mean --function=1000?\n"},
        {"-- --all", "ZarnelBench: ignoring '--all', which is no flag\n"}};
#else
    const Case cases[] = {{"foo", "ZarnelBench: ignoring 'foo' (this build reads no arguments)\n"}};
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = Run(c.arguments);
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(IsFixedReport(result.out)) << result.out;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(OtherFiles(), std::vector<std::string>{});
    }
#ifdef ZARNEL_BENCH_HAS_FLAGS
    // Beside flags, a word changes nothing; a seed is read in decimal (CLI11
    // alone read 010 as eight).
    const Outcome flagged =
        Run("--seed 010 --function 2001 --runs 1 --iterations 1 --population 5 --threads 1 extra");
    EXPECT_EQ(flagged.status, 0);
    EXPECT_EQ(flagged.out.rfind("Seed: 10\n", 0), 0u) << flagged.out;
    EXPECT_EQ(flagged.err, "ZarnelBench: ignoring 'extra', which is no flag\n");
#endif
}

// A bad flag or value is refused before anything runs, with the flag and the
// text given: a flag where a value belongs once became the value
// (`--json= --all` wrote a record named "--all" and ran one function), and a
// negative count was wrapped round (`--evaluations -18446744073709551615`
// ran one evaluation).
TEST_F(BenchArguments, BadFlagsAndValuesAreRefusedBeforeAnythingRuns) {
    struct Case {
        const char* arguments;
        const char* named;  // the first line on standard error
    };
#ifdef ZARNEL_BENCH_HAS_FLAGS
    const Case cases[] = {
        {"--json \"\"", "ZarnelBench: --json: the value is empty"},
        {"--function 2001 --json=", "ZarnelBench: --json: the value after '=' is empty"},
        {"--json= --all", "ZarnelBench: --json: the value after '=' is empty"},
        {"--json --all", "ZarnelBench: --json: no value before the next flag, '--all'"},
        {"--function abc", "ZarnelBench: --function: not a whole number: abc"},
        {"foo --bogus", "ZarnelBench: The following argument was not expected: --bogus"},
        {"--seed -5", "ZarnelBench: --seed: '-5' is not a whole number from 0 to 4294967295"},
        {"--seed 18446744073709551616",
         "ZarnelBench: --seed: '18446744073709551616' is not a whole number from 0 to 4294967295"},
        {"--seed 12345678901234567890123",
         "ZarnelBench: --seed: '12345678901234567890123' is not a whole number from 0 to 4294967295"},
        {"--evaluations -18446744073709551615",
         "ZarnelBench: --evaluations: '-18446744073709551615' is not a whole number from 1 to 10000000000"}};
#else
    const Case cases[] = {{"foo --function 1000",
                           "ZarnelBench: --function: this build has no flags (it was built without CLI11, "
                           "Debian libcli11-dev)"}};
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = Run(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.substr(0, result.err.find('\n')), c.named);
        EXPECT_NE(result.err.find("Usage: ZarnelBench"), std::string::npos) << result.err;
        EXPECT_EQ(OtherFiles(), std::vector<std::string>{});
    }
}

#ifdef ZARNEL_BENCH_HAS_FLAGS

TEST_F(BenchArguments, HelpGivesEveryDefaultAndNamesTheFunctions) {
    const Outcome result = Run("--help");
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* text :
         {"default 40004, Griewank, 40 variables", "Slave threads (0 to 256; default 2)", "default 50)",
          "default 200)", "Runs per function (1 to 10000; default 2)", "default: from the clock",
          "  1000  x sin(10 pi x) + 1\n", "  2001  egg crate\n", "  2004  Schaffer F7\n",
          "0 sphere, 1 step, 2 Rastrigin, 3 Schwefel, 4 Griewank, 5 Rosenbrock"}) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text << "\n" << result.out;
    }
    // Every code of the suite of one and two variables has a line of its own.
    for (int code : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 2000, 2001, 2002, 2003, 2004}) {
        EXPECT_NE(result.out.find("\n  " + std::to_string(code) + "  "), std::string::npos) << code;
    }
}

#ifdef ZARNEL_BENCH_HAS_RECORDS

// One row of the table, split at its blanks; the name, the rest of the line.
struct Row {
    int function = 0;
    std::string runs;
    unsigned long long evaluations = 0;
    std::string name;
};

std::vector<Row> TableRows(const std::string& out, std::string& header) {
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);  // the seed
    std::getline(lines, header);
    std::vector<Row> rows;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Row row;
        std::string best, known, difference, seconds;
        fields >> row.function >> row.runs >> best >> known >> difference >> row.evaluations >> seconds;
        std::getline(fields >> std::ws, row.name);
        rows.push_back(row);
    }
    return rows;
}

// The --all table summed the evaluations of every run of a function next to
// the best of one run, under the same heading as a single run's figure.
TEST_F(BenchArguments, TablesNameEachFunctionAndSayWhatTheirEvaluationsCount) {
    const Outcome all =
        Run("--all --population 8 --iterations 3 --runs 3 --threads 1 --seed 4 --json all.json");
    ASSERT_EQ(all.status, 0) << all.err;
    const nlohmann::json allRecord = nlohmann::json::parse(ReadText(dir / "all.json"));
    std::string header;
    const std::vector<Row> rows = TableRows(all.out, header);
    EXPECT_NE(header.find("best of runs"), std::string::npos) << header;
    EXPECT_NE(header.find("total evals"), std::string::npos) << header;
    ASSERT_EQ(rows.size(), 19u) << all.out;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        EXPECT_EQ(row.runs, "3");
        EXPECT_FALSE(row.name.empty());
        unsigned long long sum = 0;
        for (const nlohmann::json& run : allRecord["runs"])
            if (run["function"] == row.function) sum += run["evaluations"].get<unsigned long long>();
        EXPECT_EQ(row.evaluations, sum);
    }
    EXPECT_EQ(rows[4].name, "x cos(tan x)");
    EXPECT_EQ(rows[13].name, "sphere, 40 variables");
    EXPECT_EQ(rows[15].name, "Rastrigin, 40 variables");
    EXPECT_EQ(rows[17].name, "Griewank, 40 variables");

    // A single function: one row per run, each with that run's own count.
    const Outcome one =
        Run("--function 3002 --population 8 --iterations 3 --runs 2 --seed 4 --json one.json");
    ASSERT_EQ(one.status, 0) << one.err;
    const nlohmann::json oneRecord = nlohmann::json::parse(ReadText(dir / "one.json"));
    const std::vector<Row> runs = TableRows(one.out, header);
    EXPECT_NE(header.find("evaluations"), std::string::npos) << header;
    EXPECT_EQ(header.find("total"), std::string::npos) << header;
    ASSERT_EQ(runs.size(), 2u) << one.out;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        EXPECT_EQ(runs[r].runs, std::to_string(r));
        EXPECT_EQ(runs[r].name, "Rastrigin, 3 variables");
        EXPECT_EQ(runs[r].evaluations, oneRecord["runs"][r]["evaluations"].get<unsigned long long>());
    }
}

#endif  // ZARNEL_BENCH_HAS_RECORDS
#endif  // ZARNEL_BENCH_HAS_FLAGS

}  // namespace
