#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "bench/bench_options.h"
#include "bench/known_best.h"
#include "bench/test_function.h"
#include "genome/gene_text.h"
#include "solve/flag_values.h"

#ifdef ZARNEL_HAVE_CLI11
#include <CLI/CLI.hpp>
#endif

namespace zarnel {

#ifdef ZARNEL_HAVE_CLI11

namespace {

// The codes and names of the test functions, for the help text.
std::string FunctionList() {
    std::string list = "Test functions (--function CODE):\n";
    for (const std::int32_t code : AllBenchFunctions()) {
        if (code >= 3000) break;
        list += "  " + std::to_string(code) + "  " + TestFunctionName(code) + "\n";
    }
    list += "  n*1000 + 0 to 5, for n variables (1 to 1000):";
    for (std::int32_t index = 0; index <= 5; ++index) {
        const std::string name = TestFunctionName(index);  // "<name>, 0 variables"
        list += (index == 0 ? " " : ", ") + std::to_string(index) + " " + name.substr(0, name.find(','));
    }
    return list + "\n";
}

// Codes of positive groups only: a negative group reads as the same number of
// variables and adds nothing. At most 1000 variables.
std::string CheckFunctionCode(const std::string& text) {
    std::int64_t code = 0;
    try {
        std::size_t used = 0;
        code = std::stoll(text, &used);
        if (used != text.size()) return "not a whole number: " + text;
    } catch (const std::exception&) {
        return "not a whole number: " + text;
    }
    if (code < 1000 || code > 1000005 || TestFunctionVariableCount(static_cast<std::int32_t>(code)) == 0)
        return "no test function has the code " + text;
    return {};
}

// A value that is there: not empty and not the next flag.
std::string PresentValue(const std::string& text) { return flag_values::ValueFault(text); }

// A whole number from `least` to `most`, read strictly (flag_values.h).
CLI::Validator Whole(std::uint64_t least, std::uint64_t most) {
    return {[least, most](std::string& text) { return flag_values::NormaliseWhole(text, least, most); }, ""};
}

// One line on `err` for a word that is no flag and is ignored; when the word
// is a flag's name without its dashes ("function=1000", "all"), it names the
// flag that was likely meant.
void WarnOfIgnoredWord(const CLI::App& app, const std::string& word, std::ostream& err) {
    err << "ZarnelBench: ignoring " << gene_text::Quote(word) << ", which is no flag";
    const std::string name = word.substr(0, word.find('='));
    if (!name.empty() && app.get_option_no_throw("--" + name) != nullptr)
        err << "; did you mean --" << word << "?";
    err << "\n";
}

}  // namespace

int ParseBenchFlags(int argc, const char* const argv[], BenchOptions& options, std::ostream& out,
                    std::ostream& err) {
    CLI::App app{
        "ZarnelBench: the genetic algorithm on the numeric test functions. Without arguments it runs the "
        "fixed benchmark (Griewank's function in 40 variables) and prints its ten lines.",
        "ZarnelBench"};
    app.footer(FunctionList());
    const BenchOptions defaults;
    const auto byDefault = [](std::uint32_t value) { return "; default " + std::to_string(value); };
    std::uint64_t seed = 0;
    auto* function =
        app.add_option("--function", options.function,
                       "Test-function code: 1000-1007, 2000-2004, or n*1000 + 0-5 for n "
                       "variables (see below); default " +
                           std::to_string(defaults.function) + ", " + TestFunctionName(defaults.function))
            ->check(PresentValue)
            ->check(CheckFunctionCode);
    auto* all =
        app.add_flag("--all", options.all, "Run each of the nineteen functions (n = 40) and print a table")
            ->excludes(function);
    function->excludes(all);
    app.add_option("--threads", options.threads,
                   "Slave threads (0 to 256" + byDefault(defaults.threads) + ")")
        ->transform(Whole(0, 256));
    app.add_option(
           "--population", options.population,
           "Individuals (3 to 32767, more than twice --threads" + byDefault(defaults.population) + ")")
        ->transform(Whole(3, 32767));
    app.add_option("--iterations", options.iterations,
                   "Master iterations per run (1 to 1000000000" + byDefault(defaults.iterations) + ")")
        ->transform(Whole(1, 1000000000));
    app.add_option("--runs", options.runs, "Runs per function (1 to 10000" + byDefault(defaults.runs) + ")")
        ->transform(Whole(1, 10000));
    auto* seedOption = app.add_option("--seed", seed, "Run seed (0 to 4294967295); default: from the clock")
                           ->transform(Whole(0, 4294967295));
    app.add_option("--json", options.json, "Write the run record as JSON to this file; default: none")
        ->check(PresentValue);
    std::string operators = "classic";
    auto* operatorsOption =
        app.add_option(
               "--operators", operators,
               "classic: bit strings, crossover and bit flips on the engine (the default); real: each "
               "function's variables as a real vector, through Solve, with a coordinate search")
            ->check(PresentValue)
            ->check(CLI::IsMember({"classic", "real"}));
    auto* evaluations =
        app.add_option("--evaluations", options.evaluations,
                       "Fitness evaluations per run (1 to 10000000000); default: what a classic run of "
                       "--population, --iterations and --threads makes. Classic runs make the fewest "
                       "master iterations that reach it")
            ->transform(Whole(1, 10000000000));
    auto* iterations = app.get_option("--iterations");
    evaluations->excludes(iterations);
    iterations->excludes(evaluations);
    auto* deterministic = app.add_flag("--deterministic", options.deterministic,
                                       "With --operators real: the same result from a --seed at every "
                                       "--threads (the record differs in times and thread figures only)");
    // Words that are no flags are left to the end, to be ignored.
    app.allow_extras();
    std::vector<std::string> ignored;
    try {
        // "--json=" with nothing after it: CLI11 would take the next argument
        // as the value, even when it is another flag.
        const std::string emptied = flag_values::EmptyAssignment(argc, argv);
        if (!emptied.empty() && app.get_option_no_throw(emptied) != nullptr)
            throw CLI::ValidationError(emptied, "the value after '=' is empty");
        app.parse(argc, argv);
        // What CLI11 left: a flag it does not know is refused, a word ignored
        // (after "--" every argument is a word).
        std::vector<std::string> unknown;
        bool words = false;
        for (const std::string& argument : app.remaining()) {
            if (!words && argument == "--") {
                words = true;
            } else {
                (!words && argument.size() > 1 && argument[0] == '-' ? unknown : ignored).push_back(argument);
            }
        }
        if (!unknown.empty()) throw CLI::ExtrasError(unknown);
        if (options.population <= 2 * options.threads) {
            throw CLI::ValidationError("--population", "must be more than twice --threads (" +
                                                           std::to_string(options.threads) + ")");
        }
        options.operators = operators == "real" ? BenchOperators::kReal : BenchOperators::kClassic;
        options.operatorsGiven = operatorsOption->count() > 0;
        if (deterministic->count() > 0 && options.operators != BenchOperators::kReal)
            throw CLI::ValidationError("--deterministic", "needs --operators real");
        // A tournament step of the real operators holds three individuals.
        if (options.operators == BenchOperators::kReal &&
            options.population < 3 * std::max(options.threads, 1u)) {
            throw CLI::ValidationError("--population", "must be at least three times --threads (" +
                                                           std::to_string(options.threads) +
                                                           ") with --operators real");
        }
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err << "ZarnelBench: " << error.what() << "\n\n" << app.help();
        return 2;
    }
    if (seedOption->count() > 0) options.seed = static_cast<std::uint32_t>(seed);
    for (const std::string& word : ignored) WarnOfIgnoredWord(app, word, err);
    for (const CLI::Option* option : app.get_options()) options.flagsGiven |= option->count() > 0;
    return -1;
}

#else

int ParseBenchFlags(int argc, const char* const argv[], BenchOptions&, std::ostream&, std::ostream& err) {
    // Words are ignored, as in the build with flags; the first flag is refused.
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() > 1 && argument[0] == '-') {
            err << "ZarnelBench: " << argument
                << ": this build has no flags (it was built without CLI11, Debian libcli11-dev)\n\n"
                   "Usage: ZarnelBench\n"
                   "Without arguments it runs the fixed benchmark (Griewank's function in 40 variables) and "
                   "prints its ten lines.\n";
            return 2;
        }
    }
    for (int i = 1; i < argc; ++i) {
        err << "ZarnelBench: ignoring " << gene_text::Quote(argv[i]) << " (this build reads no arguments)\n";
    }
    return -1;
}

#endif

}  // namespace zarnel
