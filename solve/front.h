#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "objectives/dominance.h"
#include "objectives/nondominated_sort.h"
#include "objectives/point_set.h"
#include "solve/population_io.h"
#include "solve/problem.h"
#include "solve/result.h"

// Fronts of a run of several objectives as plain numbers, however many
// objectives the problem has: what a population's front is, what islands
// hand each other at the end, and what the result and the record hold.
namespace zarnel::detail {

// Members of a front, M objectives each: their genes one member after
// another, and per member its M objectives followed by its total violation.
// A plain value.
template <class Gene>
struct FlatFront {
    std::size_t objectives = 0;  // M
    std::uint32_t length = 0;    // genes per member
    std::vector<Gene> genes;
    std::vector<double> scores;

    std::size_t Size() const { return scores.size() / (objectives + 1); }
    std::span<const Gene> Genes(std::size_t k) const {
        return std::span<const Gene>(genes).subspan(k * length, length);
    }
    std::span<const double> Objectives(std::size_t k) const {
        return std::span<const double>(scores).subspan(k * (objectives + 1), objectives);
    }
    double Violation(std::size_t k) const { return scores[k * (objectives + 1) + objectives]; }
    void Add(std::span<const Gene> memberGenes, std::span<const double> memberObjectives, double violation) {
        genes.insert(genes.end(), memberGenes.begin(), memberGenes.end());
        scores.insert(scores.end(), memberObjectives.begin(), memberObjectives.end());
        scores.push_back(violation);
    }
};

// The first `count` individuals of a generational scheme's population as a
// FlatFront (Objectives(i) and Violation(i) are the scheme's). Only while no
// slave thread works.
template <class Scheme, class Population>
auto PopulationMembers(const Scheme& scheme, Population& population, std::uint32_t count) {
    using Gene = typename Population::IndividualType::Gene;
    FlatFront<Gene> all;
    all.objectives = scheme.ObjectiveCount();
    all.length = population.size != 0 ? population.GetIndividual(0)->GetLength() : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto* individual = population.GetIndividual(i);
        all.Add(std::span<const Gene>(individual->GetGenes(), individual->GetLength()), scheme.Objectives(i),
                scheme.Violation(i));
    }
    return all;
}

// The feasible members of the first front of `all` under the feasibility
// rules, each distinct genome once (the first), in their order in `all`.
template <class Gene>
FlatFront<Gene> FeasibleFront(const FlatFront<Gene>& all) {
    FlatFront<Gene> front;
    front.objectives = all.objectives;
    front.length = all.length;
    const std::size_t n = all.Size();
    if (n == 0) return front;
    std::vector<double> points;
    std::vector<double> violations;
    points.reserve(n * all.objectives);
    for (std::size_t k = 0; k < n; ++k) {
        const std::span<const double> objectives = all.Objectives(k);
        points.insert(points.end(), objectives.begin(), objectives.end());
        violations.push_back(all.Violation(k));
    }
    const objectives::Fronts fronts =
        objectives::NonDominatedSort(objectives::PointSet(points, all.objectives), violations);
    std::unordered_set<std::string_view> seen;
    for (std::size_t k = 0; k < n; ++k) {
        if (fronts.rank[k] != 0 || objectives::RankViolation(all.Objectives(k), all.Violation(k)) != 0.0)
            continue;
        const std::span<const Gene> genes = all.Genes(k);
        const std::string_view bytes(reinterpret_cast<const char*>(genes.data()), genes.size_bytes());
        if (!seen.insert(bytes).second) continue;
        front.Add(genes, all.Objectives(k), all.Violation(k));
    }
    return front;
}

// The share of `all` that is feasible (0 for none).
template <class Gene>
double FeasibleShare(const FlatFront<Gene>& all) {
    const std::size_t n = all.Size();
    if (n == 0) return 0.0;
    std::size_t feasible = 0;
    for (std::size_t k = 0; k < n; ++k)
        feasible += objectives::RankViolation(all.Objectives(k), all.Violation(k)) == 0.0 ? 1 : 0;
    return static_cast<double>(feasible) / static_cast<double>(n);
}

// A front as one message of bytes, in this machine's representation (the
// islands of one run run one program): three 32-bit numbers (members,
// genes per member, objectives per member), then per member its objectives,
// its violation and its genes.
template <class Gene>
std::vector<unsigned char> PackFront(const FlatFront<Gene>& front) {
    static_assert(std::is_trivially_copyable_v<Gene>, "fronts travel as bytes");
    const auto count = static_cast<std::uint32_t>(front.Size());
    const std::uint32_t header[3] = {count, front.length, static_cast<std::uint32_t>(front.objectives)};
    std::vector<unsigned char> bytes(sizeof header + front.scores.size() * sizeof(double) +
                                     front.genes.size() * sizeof(Gene));
    unsigned char* out = bytes.data();
    std::memcpy(out, header, sizeof header);
    out += sizeof header;
    for (std::uint32_t k = 0; k < count; ++k) {
        std::memcpy(out, front.scores.data() + k * (front.objectives + 1),
                    (front.objectives + 1) * sizeof(double));
        out += (front.objectives + 1) * sizeof(double);
        std::memcpy(out, front.genes.data() + std::size_t{k} * front.length, front.length * sizeof(Gene));
        out += front.length * sizeof(Gene);
    }
    return bytes;
}

// The bytes of one message of PackFront's, per member of M objectives and
// `length` genes.
template <class Gene>
std::size_t PackedFrontBytes(std::uint64_t members, std::uint32_t length, std::size_t m) {
    return 3 * sizeof(std::uint32_t) + members * ((m + 1) * sizeof(double) + length * sizeof(Gene));
}

// Appends the members of a PackFront message to `into` (whose objectives and
// length say what fits); false, adding nothing, for a message that is not a
// whole front of that shape.
template <class Gene>
bool UnpackFront(const std::vector<unsigned char>& bytes, FlatFront<Gene>& into) {
    std::uint32_t header[3] = {0, 0, 0};
    if (bytes.size() < sizeof header) return false;
    std::memcpy(header, bytes.data(), sizeof header);
    if (header[1] != into.length || header[2] != into.objectives ||
        bytes.size() != PackedFrontBytes<Gene>(header[0], into.length, into.objectives))
        return false;
    const unsigned char* in = bytes.data() + sizeof header;
    std::vector<double> scores(into.objectives + 1);
    std::vector<Gene> genes(into.length);
    for (std::uint32_t k = 0; k < header[0]; ++k) {
        std::memcpy(scores.data(), in, scores.size() * sizeof(double));
        in += scores.size() * sizeof(double);
        std::memcpy(genes.data(), in, genes.size() * sizeof(Gene));
        in += genes.size() * sizeof(Gene);
        into.Add(genes, std::span<const double>(scores).first(into.objectives), scores.back());
    }
    return true;
}

// One number of a decode as a real: a number, or a DecodedNumber of either
// kind.
template <class Number>
double DecodedReal(const Number& number) {
    if constexpr (std::is_same_v<Number, DecodedNumber>) {
        return std::visit([](auto value) { return static_cast<double>(value); }, number);
    } else {
        return static_cast<double>(number);
    }
}

// The members of a front as a result holds them, each with what the
// problem's decode makes of its genes. On the thread that calls Solve.
template <std::size_t M, class Problem, class Gene>
std::vector<FrontMember<Gene, M>> FrontMembers(const Problem& problem, const FlatFront<Gene>& front) {
    std::vector<FrontMember<Gene, M>> members(front.Size());
    for (std::size_t k = 0; k < members.size(); ++k) {
        FrontMember<Gene, M>& member = members[k];
        const std::span<const Gene> genes = front.Genes(k);
        member.genes.assign(genes.begin(), genes.end());
        const std::span<const double> objectives = front.Objectives(k);
        if constexpr (M == std::dynamic_extent) {
            member.objectives.assign(objectives.begin(), objectives.end());
        } else {
            std::copy_n(objectives.begin(), std::min(M, objectives.size()), member.objectives.begin());
        }
        member.violation = front.Violation(k);
        if constexpr (HasDecode<Problem>) {
            for (const auto& number : problem.decode(genes)) member.solution.push_back(DecodedReal(number));
        }
    }
    return members;
}

}  // namespace zarnel::detail
