#include "bench/suites/suite.h"

namespace zarnel::suites {

std::vector<std::string> ProblemNames() {
    std::vector<std::string> names;
    ForEachProblem([&](const auto& problem, const Budget&) { names.push_back(problem.name()); });
    return names;
}

}  // namespace zarnel::suites
