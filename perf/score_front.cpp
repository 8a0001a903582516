// Scores final populations written by any program (Zarnel's, pagmo2's,
// DEAP's) with one code: each file holds one decision vector per line
// (whitespace-separated; lines starting with '#' are comments), optionally
// followed by the objectives the writer computed, which are checked against
// the suite's own. Every vector is evaluated with the suite's definition of
// the problem; for several objectives the tool prints the hypervolume of the
// feasible non-dominated points against the suite's reference point, their
// IGD+ against its reference front and the feasible share; for one
// objective the best feasible value and its relative gap to the best known.
//
//   score_front zdt1 run1.txt run2.txt      one line per file, tab-separated
//   score_front --front dtlz7                the reference front, one point a line
//   score_front --info zdt1                  variables, objectives, budget, survival, reference, bounds
//   score_front --list                       the problems
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/suites/suite.h"
#include "objectives/dominance.h"
#include "objectives/indicators.h"
#include "objectives/nondominated_sort.h"

namespace {

using namespace zarnel;

struct Vectors {
    std::vector<std::vector<double>> genes;
    std::vector<std::vector<double>> claimed;  // the writer's objectives, when given
    std::string fault;
};

Vectors Read(const std::string& path, std::size_t n, std::size_t m) {
    Vectors vectors;
    std::ifstream in(path);
    if (!in) {
        vectors.fault = "cannot be read";
        return vectors;
    }
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::vector<double> values;
        for (double value; fields >> value;) values.push_back(value);
        if (!fields.eof() || (values.size() != n && values.size() != n + m)) {
            vectors.fault = "line " + std::to_string(number) + " is not " + std::to_string(n) +
                            " numbers (or " + std::to_string(n + m) + " with the objectives)";
            return vectors;
        }
        vectors.genes.emplace_back(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n));
        vectors.claimed.emplace_back(values.begin() + static_cast<std::ptrdiff_t>(n), values.end());
    }
    if (vectors.genes.empty()) vectors.fault = "holds no decision vector";
    return vectors;
}

template <class Problem>
double ViolationOf(const Problem& problem, std::span<const double> x) {
    if constexpr (requires { problem.constraints(x); }) {
        return objectives::TotalViolation(problem.constraints(x));
    } else {
        return 0.0;
    }
}

// Objectives written beside the genes that differ from the suite's.
std::size_t Mismatches(std::span<const double> ours, const std::vector<double>& theirs) {
    std::size_t wrong = 0;
    for (std::size_t j = 0; j < theirs.size(); ++j) {
        if (!(std::fabs(ours[j] - theirs[j]) <= 1e-9 * std::max(1.0, std::fabs(ours[j])))) ++wrong;
    }
    return wrong != 0 ? 1 : 0;
}

template <class Problem>
int Score(const Problem& problem, const std::vector<std::string>& files) {
    const RealVector kind = problem.genome();
    constexpr bool kSeveral = requires(std::span<const double> x) { problem.objectives(x); };
    std::size_t m = 1;
    if constexpr (kSeveral) m = problem.referencePoint().size();
    if constexpr (kSeveral) {
        std::printf("file\thypervolume\tigd_plus\tfeasible_share\tpoints\tfront\toutside\tmismatched\n");
    } else {
        std::printf("file\tbest\tgap\tfeasible_share\tpoints\tleast_violation\toutside\tmismatched\n");
    }
    int status = 0;
    for (const std::string& file : files) {
        const Vectors vectors = Read(file, kind.Length(), m);
        if (!vectors.fault.empty()) {
            std::fprintf(stderr, "score_front: %s %s\n", file.c_str(), vectors.fault.c_str());
            status = 1;
            continue;
        }
        std::size_t feasible = 0, outside = 0, mismatched = 0;
        std::vector<double> points;
        double best = INFINITY, least = INFINITY;
        for (std::size_t k = 0; k < vectors.genes.size(); ++k) {
            const std::vector<double>& x = vectors.genes[k];
            if (!kind.Check(x).empty()) ++outside;
            const double violation = ViolationOf(problem, x);
            if constexpr (kSeveral) {
                const auto f = problem.objectives(x);
                if (!vectors.claimed[k].empty()) mismatched += Mismatches(f, vectors.claimed[k]);
                if (objectives::RankViolation(f, violation) == 0.0) {
                    ++feasible;
                    points.insert(points.end(), f.begin(), f.end());
                }
            } else {
                const double f = problem.fitness(x);
                if (!vectors.claimed[k].empty())
                    mismatched += Mismatches(std::span<const double>(&f, 1), vectors.claimed[k]);
                if (objectives::RankViolation(std::span<const double>(&f, 1), violation) == 0.0) {
                    ++feasible;
                    best = std::min(best, f);
                }
                least = std::min(least, std::isnan(violation) ? INFINITY : violation);
            }
        }
        const double share = static_cast<double>(feasible) / static_cast<double>(vectors.genes.size());
        if constexpr (kSeveral) {
            const objectives::PointSet set(points, m);
            const auto reference = problem.referencePoint();
            const std::vector<double> front = problem.referenceFront();
            std::printf("%s\t%.6f\t%.6f\t%.3f\t%zu\t%zu\t%zu\t%zu\n", file.c_str(),
                        objectives::Hypervolume(set, reference),
                        objectives::IgdPlus(set, objectives::PointSet(front, m)), share, vectors.genes.size(),
                        objectives::NonDominatedSubset(set).size(), outside, mismatched);
        } else {
            const double known = problem.bestKnown();
            const double gap = (best - known) / std::max(1.0, std::fabs(known));
            std::printf("%s\t%.10g\t%.3e\t%.3f\t%zu\t%.3e\t%zu\t%zu\n", file.c_str(), best, gap, share,
                        vectors.genes.size(), least, outside, mismatched);
        }
    }
    return status;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: score_front PROBLEM FILE...   score final populations\n"
                 "       score_front --front PROBLEM   print the reference front\n"
                 "       score_front --info PROBLEM    its variables, objectives, budget and bounds\n"
                 "       score_front --list            list the problems\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--list") {
        for (const std::string& name : suites::ProblemNames()) std::printf("%s\n", name.c_str());
        return 0;
    }
    int status = 0;
    bool found = false;
    if (args.size() == 2 && args[0] == "--front") {
        found = suites::VisitProblem(args[1], [&](const auto& problem, const suites::Budget&) {
            if constexpr (requires { problem.referenceFront(); }) {
                const std::vector<double> front = problem.referenceFront();
                const std::size_t m = problem.referencePoint().size();
                for (std::size_t i = 0; i < front.size(); ++i)
                    std::printf("%.17g%c", front[i], (i + 1) % m == 0 ? '\n' : ' ');
            } else {
                std::fprintf(stderr, "score_front: %s has one objective and no front\n", args[1].c_str());
                status = 2;
            }
        });
    } else if (args.size() == 2 && args[0] == "--info") {
        found = suites::VisitProblem(args[1], [&](const auto& problem, const suites::Budget& budget) {
            const RealVector kind = problem.genome();
            std::size_t m = 1, k = 0;
            if constexpr (requires { problem.referencePoint(); }) m = problem.referencePoint().size();
            if constexpr (requires { problem.constraints(kind.lower); })
                k = problem.constraints(kind.lower).size();
            std::printf("variables %u\nobjectives %zu\nconstraints %zu\npopulation %u\nevaluations %llu\n",
                        kind.Length(), m, k, budget.population,
                        static_cast<unsigned long long>(budget.evaluations));
            if (m > 1)
                std::printf("survival %s\n",
                            budget.survival == suites::Survival::kNsga3 ? "nsga3" : "automatic");
            if constexpr (requires { problem.referencePoint(); }) {
                std::printf("reference");
                for (const double value : problem.referencePoint()) std::printf(" %.17g", value);
                std::printf("\n");
            } else {
                std::printf("best_known %.17g\n", problem.bestKnown());
            }
            for (const auto& [label, bounds] :
                 {std::pair{"lower", &kind.lower}, std::pair{"upper", &kind.upper}}) {
                std::printf("%s", label);
                for (const double bound : *bounds) std::printf(" %.17g", bound);
                std::printf("\n");
            }
        });
    } else if (args.size() >= 2 && !args[0].starts_with("-")) {
        const std::vector<std::string> files(args.begin() + 1, args.end());
        found = suites::VisitProblem(
            args[0], [&](const auto& problem, const suites::Budget&) { status = Score(problem, files); });
    } else {
        return Usage();
    }
    if (!found) {
        std::fprintf(stderr, "score_front: no problem named %s (score_front --list names them)\n",
                     args[args[0].starts_with("--") ? 1 : 0].c_str());
        return 2;
    }
    return status;
}
