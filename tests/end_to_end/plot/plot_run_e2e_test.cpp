// tools/plot_run.py run by a real Python: damaged records, a picture that
// cannot be written and a Python without matplotlib each end in one line on
// standard error and status 1; the picture is labelled from the records and
// drawn against what their histories hold.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/end_to_end/nqueen/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Outcome {
    int status = -1;
    std::string err;
};

class PlotRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarnel_plot_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome Run(const std::string& python, std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), ZARNEL_PLOT_TOOL);
        e2e::ChildProcess child(python, arguments, dir.string(), (dir / "out.txt").string(),
                                (dir / "err.txt").string());
        const int status = child.Wait(120s);
        return {status, e2e::ReadFile((dir / "err.txt").string())};
    }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(dir / name) << text; }
    // Draws with the interpreter that has matplotlib; SVG text stays text
    // (matplotlibrc in `dir`), so that the labels can be read back.
    Outcome Draw(std::vector<std::string> arguments) const {
        Write("matplotlibrc", "svg.fonttype: none\n");
        setenv("MATPLOTLIBRC", dir.c_str(), 1);
        const Outcome outcome = Run(ZARNEL_PLOT_PYTHON, std::move(arguments));
        unsetenv("MATPLOTLIBRC");
        return outcome;
    }

    fs::path dir;
};

bool OneLine(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0 && std::count(text.begin(), text.end(), '\n') == 1 &&
           text.back() == '\n';
}

// A record whose history has every member the tool can plot against.
constexpr const char* kRecord =
    R"({"program": "ZarnelNQueen", "seed": 5, "operators": "fast", "parameters": {"queens": 64},
        "history": [{"iteration": 1000, "evaluations": 5000, "seconds": 0.5, "best": -2.5, "mean": -9},
                    {"iteration": 2000, "evaluations": 9000, "seconds": 1.25, "best": 0, "mean": -4}]})";

// Damaged records once ended in a Python traceback. They are refused before
// matplotlib is needed, so any python3 shows it.
TEST_F(PlotRun, DamagedRecordsAreOneLineAndStatusOne) {
    Write("good.json", kRecord);
    fs::create_directory(dir / "folder.json");
    std::string deep(100000, '[');
    deep += std::string(100000, ']');
    struct Case {
        const char* name;
        std::string text;  // none: the file is not written
        const char* says;
    };
    const Case cases[] = {
        {"text.json", "iteration 1000 best -2\n", "is no JSON"},
        {"deep.json", deep, "is no JSON"},
        {"list.json", "[1, 2]", "no run record with a history"},
        {"bench.json", R"({"program": "ZarnelBench", "runs": []})", "no run record with a history"},
        {"entry.json", R"({"history": [{"iteration": 1, "best": 0, "mean": 0}, 7]})",
         "history entry 2 is no object"},
        {"member.json", R"({"history": [{"iteration": 1, "mean": 0}]})", R"("best" is null)"},
        {"string.json", R"({"history": [{"iteration": "1", "best": 0, "mean": 0}]})",
         R"("iteration" is "1")"},
        {"nan.json", R"({"history": [{"iteration": 1, "best": NaN, "mean": 0}]})", R"("best" is NaN)"},
        {"bool.json", R"({"history": [{"iteration": 1, "best": 0, "mean": true}]})", R"("mean" is true)"},
        {"front.json", R"({"objectives": 2, "front": [{"objectives": [1]}], "history": []})",
         "front member 1 has no 2 objective values"},
        {"mixed.json", R"({"objectives": 2, "front": [], "history": [{"iteration": 1, "hypervolume": "x"}]})",
         R"("hypervolume" is "x")"},
        {"missing.json", "", "cannot read missing.json"},
        {"folder.json", "", "cannot read folder.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) Write(c.name, c.text);
        const Outcome result = Run(ZARNEL_PYTHON3, {"good.json", c.name, "-o", "p.png"});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(OneLine(result.err, "plot_run.py: ")) << result.err;
        EXPECT_NE(result.err.find(c.name), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir / "p.png"));
    }
}

// Without matplotlib even --help was a traceback. Started without its site
// packages (-S), the interpreter has no matplotlib; the line names the
// interpreter and what to install for it.
TEST_F(PlotRun, WithoutMatplotlibOneLineNamesTheInterpreterAndThePackage) {
    Write("good.json", kRecord);
    const Outcome help = Run(ZARNEL_PYTHON3, {"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(e2e::ReadFile((dir / "out.txt").string()).find("--x {evaluations,iterations,seconds}"),
              std::string::npos);

    e2e::ChildProcess probe(ZARNEL_PYTHON3, {"-S", "-c", "import matplotlib"}, dir.string(), "/dev/null",
                            "/dev/null");
    if (probe.Wait(60s) == 0) GTEST_SKIP() << ZARNEL_PYTHON3 << " -S still finds matplotlib";
    // -S goes before the tool.
    e2e::ChildProcess child(ZARNEL_PYTHON3, {"-S", ZARNEL_PLOT_TOOL, "good.json", "-o", "p.png"},
                            dir.string(), (dir / "out.txt").string(), (dir / "err.txt").string());
    EXPECT_EQ(child.Wait(60s), 1);
    const std::string err = e2e::ReadFile((dir / "err.txt").string());
    EXPECT_TRUE(OneLine(err, "plot_run.py: needs matplotlib for /")) << err;
    EXPECT_NE(err.find("pip install matplotlib"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "p.png"));
}

class PlotRunDrawing : public PlotRun {
protected:
    void SetUp() override {
        if (std::string(ZARNEL_PLOT_PYTHON).empty()) GTEST_SKIP() << "no python3 with matplotlib";
        PlotRun::SetUp();
    }
};

// A picture that could not be written (a full device) once ended with
// status 0.
TEST_F(PlotRunDrawing, APictureThatCannotBeWrittenIsStatusOne) {
    Write("good.json", kRecord);
    Write("old.png", "the previous picture");
    struct Case {
        std::string output;
        const char* says;
    };
    for (const Case& c : {Case{"/dev/full", "cannot write /dev/full: No space left on device"},
                          Case{"no-such-folder/p.png", "cannot write no-such-folder/p.png"},
                          Case{"old.png.xyz", "cannot write old.png.xyz: no picture format .xyz"}}) {
        SCOPED_TRACE(c.output);
        const Outcome result = Draw({"good.json", "-o", c.output});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(OneLine(result.err, std::string("plot_run.py: ") + c.says)) << result.err;
    }
    // Those left the old picture alone; a picture that can be written
    // replaces it whole, through a temporary file that does not remain.
    EXPECT_EQ(e2e::ReadFile((dir / "old.png").string()), "the previous picture");
    ASSERT_EQ(Draw({"good.json", "-o", "old.png"}).status, 0);
    EXPECT_EQ(e2e::ReadFile((dir / "old.png").string()).substr(0, 4), "\x89PNG");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"err.txt", "good.json", "matplotlibrc", "old.png", "out.txt"}));
}

// Labels come from the records: "0 is a solution" only for the N-Queens
// programs, the legend from each record's seed and operator set, the x axis
// from --x, refused where a history lacks the member.
TEST_F(PlotRunDrawing, LabelsComeFromTheRecordsAndTheAxisFromTheirHistories) {
    Write("queens.json", kRecord);
    std::string other = kRecord;
    other.replace(other.find("ZarnelNQueen"), 12, "MyKnapsack");
    Write("other.json", other);
    Write("old.json", R"({"program": "ZarnelNQueen", "seed": 7,
                          "history": [{"iteration": 1000, "best": -1, "mean": -3}]})");

    Outcome result = Draw({"queens.json", "-o", "q.svg", "--x", "evaluations"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string svg = e2e::ReadFile((dir / "q.svg").string());
    for (const char* text : {"fitness (0 is a solution)", "fitness evaluations", "seed 5, best",
                             "seed 5, mean", "ZarnelNQueen: queens 64, operators fast"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }

    result = Draw({"other.json", "-o", "o.svg", "--x", "seconds", "--title", "my own title"});
    ASSERT_EQ(result.status, 0) << result.err;
    svg = e2e::ReadFile((dir / "o.svg").string());
    EXPECT_EQ(svg.find("0 is a solution"), std::string::npos);
    EXPECT_NE(svg.find(">fitness<"), std::string::npos);
    EXPECT_NE(svg.find("seconds since the start of the run"), std::string::npos);
    EXPECT_NE(svg.find("my own title"), std::string::npos);

    // Records of two programs, or of two operator sets: each legend says
    // which.
    result = Draw({"queens.json", "other.json", "-o", "both.svg"});
    ASSERT_EQ(result.status, 0) << result.err;
    svg = e2e::ReadFile((dir / "both.svg").string());
    EXPECT_NE(svg.find("MyKnapsack seed 5, best"), std::string::npos);
    EXPECT_NE(svg.find("ZarnelNQueen seed 5, best"), std::string::npos);
    EXPECT_EQ(svg.find("0 is a solution"), std::string::npos);
    std::string classic = kRecord;
    classic.replace(classic.find("fast"), 4, "classic");
    Write("classic.json", classic);
    result = Draw({"queens.json", "classic.json", "-o", "sets.svg"});
    ASSERT_EQ(result.status, 0) << result.err;
    svg = e2e::ReadFile((dir / "sets.svg").string());
    EXPECT_NE(svg.find("seed 5 (fast), best"), std::string::npos);
    EXPECT_NE(svg.find("seed 5 (classic), best"), std::string::npos);
    EXPECT_NE(svg.find("ZarnelNQueen: queens 64<"), std::string::npos);

    // A problem that minimises records costs, which are drawn as they are.
    std::string costs = other;
    costs.replace(costs.find("\"history\""), 0, "\"direction\": \"minimise\", ");
    Write("costs.json", costs);
    result = Draw({"costs.json", "-o", "c.svg"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(e2e::ReadFile((dir / "c.svg").string()).find(">cost (lower is better)<"), std::string::npos);

    result = Draw({"queens.json", "old.json", "-o", "x.svg", "--x", "seconds"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(OneLine(result.err, R"(plot_run.py: old.json: history entry 1 has no "seconds")"))
        << result.err;
    EXPECT_NE(result.err.find("against iterations"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "x.svg"));
}

// A record of several objectives: its front beside the convergence of its
// hypervolume, the reference front when it holds one, lines whose
// hypervolume was not measured left out; records of one objective and of
// several are not drawn together.
TEST_F(PlotRunDrawing, AFrontIsDrawnBesideItsHypervolume) {
    const std::string two = R"({"program": "zarnel::Solve", "problem": "bnh", "seed": 4, "objectives": 2,
        "history": [{"iteration": 10, "hypervolume": 10.5}, {"iteration": 20, "hypervolume": null},
                    {"iteration": 30, "hypervolume": 12.25}],
        "front": [{"objectives": [1, 3]}, {"objectives": [2, 2]}, {"objectives": [3, 1]}],
        "reference_front": [[0.5, 3], [3, 0.5]]})";
    Write("two.json", two);
    Outcome result = Draw({"two.json", "-o", "two.svg"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string svg = e2e::ReadFile((dir / "two.svg").string());
    for (const char* text : {"front (all objectives minimised)", "reference front", "objective 2",
                             "hypervolume (higher is better)", "seed 4, hypervolume", ">bnh<"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(svg.find("objective 3"), std::string::npos);

    const std::string three = R"({"program": "zarnel::Solve", "seed": 4, "objectives": 3,
        "history": [{"iteration": 10, "hypervolume": 0.5}],
        "front": [{"objectives": [1, 3, 1]}, {"objectives": [3, 1, 2]}]})";
    Write("three.json", three);
    result = Draw({"three.json", "-o", "three.svg"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(e2e::ReadFile((dir / "three.svg").string()).find("objective 3"), std::string::npos);

    Write("one.json", kRecord);
    result = Draw({"two.json", "one.json", "-o", "both.svg"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(
        OneLine(result.err, "plot_run.py: two.json is a run of several objectives and one.json of one"))
        << result.err;
    result = Draw({"two.json", "three.json", "-o", "both.svg"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(OneLine(result.err, "plot_run.py: the records have 2 and 3 objectives")) << result.err;
    EXPECT_FALSE(fs::exists(dir / "both.svg"));
}

#ifdef ZARNEL_SUITES_EXE
// The record of a real run of several objectives plots as a PNG.
TEST_F(PlotRunDrawing, ARealRecordOfSeveralObjectivesPlots) {
    e2e::ChildProcess suites(ZARNEL_SUITES_EXE,
                             {"--problem", "dtlz2", "--evaluations", "2000", "--seed", "3", "--records", "."},
                             dir.string(), "/dev/null", "/dev/null");
    ASSERT_EQ(suites.Wait(120s), 0);
    const Outcome result = Draw({"dtlz2.3.json", "-o", "run.png"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(e2e::ReadFile((dir / "run.png").string()).substr(0, 8), "\x89PNG\r\n\x1a\n");
}
#endif

#ifdef ZARNEL_NQUEEN_EXE
// The record of a real solver run plots as a PNG.
TEST_F(PlotRunDrawing, ARealRecordPlots) {
    Write("p.txt",
          "queens 10\npopulation_size 30\nslave_iterations 4\nslave_threads 1\nmutation_rate 0.1\nseed 2\n"
          "max_iterations 3000\njson_report run.json\n");
    e2e::ChildProcess solver(ZARNEL_NQUEEN_EXE, {"p.txt", "r.txt"}, dir.string(), "/dev/null", "/dev/null");
    const int status = solver.Wait(120s);
    ASSERT_TRUE(status == 0 || status == 2) << status;
    const Outcome result = Draw({"run.json", "-o", "run.png"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(e2e::ReadFile((dir / "run.png").string()).substr(0, 8), "\x89PNG\r\n\x1a\n");
}
#endif

}  // namespace
