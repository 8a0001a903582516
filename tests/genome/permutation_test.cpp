#include "genome/permutation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "genome/permutation_variation.h"

namespace {

namespace permutation = zarnel::permutation;
using Genes = std::vector<std::uint32_t>;
using zarnel::Random;
using Crossover = void (*)(std::span<const std::uint32_t>, std::span<const std::uint32_t>,
                           std::span<std::uint32_t>, Random&);
using Mutation = void (*)(std::span<std::uint32_t>, Random&);

std::string CheckPermutation(const Genes& genes) {
    return zarnel::Permutation{static_cast<std::uint32_t>(genes.size())}.Check(genes);
}

Genes Shuffled(std::size_t n, Random& random) {
    Genes genes(n);
    permutation::Shuffle(genes, random);
    return genes;
}

// The undirected edges of a genome read as a closed tour.
std::set<std::pair<std::uint32_t, std::uint32_t>> Edges(const Genes& tour) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> edges;
    for (std::size_t i = 0; tour.size() > 1 && i < tour.size(); ++i) {
        const std::uint32_t a = tour[i], b = tour[(i + 1) % tour.size()];
        edges.insert({std::min(a, b), std::max(a, b)});
    }
    return edges;
}

class PermutationOperatorTest : public testing::TestWithParam<std::size_t> {};

// Every operator keeps a permutation; a crossover of a genome with itself
// gives that genome (edge recombination: the same tour); cycle crossover
// takes each gene from a parent at that position, from both parents; with
// one gene a mutation changes nothing.
TEST_P(PermutationOperatorTest, OperatorsKeepAPermutationAndEqualParentsGiveTheirGenome) {
    const std::size_t n = GetParam();
    Random random(n);
    double cycleFromFirst = 0, differing = 0;  // cycle crossover: genes from p1 where the parents differ
    for (int trial = 0; trial < 200; ++trial) {
        const Genes p1 = Shuffled(n, random), p2 = Shuffled(n, random);
        ASSERT_EQ(CheckPermutation(p1), "");
        for (const Crossover crossover :
             {Crossover{permutation::Pmx}, Crossover{permutation::Ox}, Crossover{permutation::Cycle},
              Crossover{permutation::EdgeRecombination}}) {
            Genes child(n, 7), clone(n);
            crossover(p1, p2, child, random);
            ASSERT_EQ(CheckPermutation(child), "");
            crossover(p1, p1, clone, random);
            ASSERT_TRUE(crossover == permutation::EdgeRecombination ? Edges(clone) == Edges(p1)
                                                                    : clone == p1);
            for (std::size_t i = 0; crossover == permutation::Cycle && i < n; ++i) {
                ASSERT_TRUE(child[i] == p1[i] || child[i] == p2[i]);
                differing += p1[i] != p2[i];
                cycleFromFirst += p1[i] != p2[i] && child[i] == p1[i];
            }
        }
        for (const Mutation mutation :
             {Mutation{permutation::SwapMutation}, Mutation{permutation::InsertionMutation},
              Mutation{permutation::InversionMutation}}) {
            Genes genes = p1;
            mutation(genes, random);
            ASSERT_EQ(CheckPermutation(genes), "");
            ASSERT_TRUE(n > 1 || genes == p1);
        }
    }
    // The cycle through a random position covers, on average, about half of
    // the positions where random parents differ (all of them for most pairs
    // of 3 genes).
    if (n >= 10) {
        EXPECT_NEAR(cycleFromFirst / differing, 0.5, 0.15);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, PermutationOperatorTest, testing::Values(1, 2, 3, 10, 101));

// Over every segment of random parents, PMX keeps p1 inside the segment and
// p2 outside it wherever p2's gene is not one of the segment's values; OX
// keeps p1 inside and fills the rest in p2's order read from the segment's end.
TEST(PermutationCrossoverTest, PmxAndOxKeepTheirParentsGenesWhereTheyPromise) {
    Random random(3);
    constexpr std::size_t n = 12;
    for (int trial = 0; trial < 20; ++trial) {
        const Genes p1 = Shuffled(n, random), p2 = Shuffled(n, random);
        for (std::size_t first = 0; first < n; ++first) {
            for (std::size_t last = first; last <= n; ++last) {
                Genes pmx(n), ox(n), oxRest, p2Rest;
                permutation::PmxSegment(p1, p2, pmx, first, last);
                permutation::OxSegment(p1, p2, ox, first, last);
                ASSERT_EQ(CheckPermutation(pmx), "");
                ASSERT_EQ(CheckPermutation(ox), "");
                const std::set<std::uint32_t> segment(p1.begin() + first, p1.begin() + last);
                for (std::size_t k = 0; k < n; ++k) {
                    const std::size_t i = (last + k) % n;
                    const bool inside = i >= first && i<last, mapped = segment.count(p2[i])> 0;
                    if (inside) {
                        ASSERT_EQ(pmx[i], p1[i]);
                        ASSERT_EQ(ox[i], p1[i]);
                    } else if (!mapped) {
                        ASSERT_EQ(pmx[i], p2[i]);
                    }
                    if (!inside) oxRest.push_back(ox[i]);
                    if (!mapped) p2Rest.push_back(p2[i]);
                }
                ASSERT_EQ(oxRest, p2Rest);
            }
        }
    }
}

// Unrelated parents (identical ones are in the test above): a new edge only
// where the walk is stuck, which is rare (about 3 % of the edges at this
// size, the closing edge included).
TEST(PermutationCrossoverTest, EdgeRecombinationKeepsMostParentalEdges) {
    Random random(11);
    constexpr std::size_t n = 101;
    std::size_t foreign = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const Genes p1 = Shuffled(n, random), p2 = Shuffled(n, random);
        Genes child(n);
        permutation::EdgeRecombination(p1, p2, child, random);
        auto parental = Edges(p1);
        parental.merge(Edges(p2));
        for (const auto& edge : Edges(child)) foreign += !parental.count(edge);
    }
    EXPECT_LT(static_cast<double>(foreign) / (200.0 * n), 0.05);
}

TEST(PermutationMutationTest, EachMutationMakesOneMoveOfItsKind) {
    Random random(5);
    constexpr std::size_t n = 20;
    for (int trial = 0; trial < 300; ++trial) {
        const Genes before = Shuffled(n, random);
        Genes swapped = before, inserted = before, inverted = before;
        permutation::SwapMutation(swapped, random);
        permutation::InsertionMutation(inserted, random);
        permutation::InversionMutation(inverted, random);
        // Swap: two positions exchanged.
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < n; ++i) {
            if (swapped[i] != before[i]) changed.push_back(i);
        }
        ASSERT_EQ(changed.size(), 2u);
        ASSERT_EQ(swapped[changed[0]], before[changed[1]]);
        // Insertion: one gene moved, the others keep their order.
        bool oneMoved = false;
        for (std::size_t from = 0; from < n && !oneMoved; ++from) {
            Genes a = before, b = inserted;
            a.erase(a.begin() + from);
            b.erase(std::find(b.begin(), b.end(), before[from]));
            oneMoved = a == b && inserted != before;
        }
        ASSERT_TRUE(oneMoved);
        // Inversion: one block of at least two genes reversed.
        const auto first =
            std::mismatch(before.begin(), before.end(), inverted.begin()).first - before.begin();
        const auto last =
            n - (std::mismatch(before.rbegin(), before.rend(), inverted.rbegin()).first - before.rbegin());
        ASSERT_GE(last - first, 2);
        ASSERT_TRUE(
            std::equal(before.begin() + first, before.begin() + last, inverted.rbegin() + (n - last)));
    }
}

// 20.52 is the 99.9 % quantile of chi-square with 5 degrees of freedom; a
// fixed seed keeps the outcome the same on every run.
TEST(PermutationMutationTest, ShuffleDrawsEveryOrderEvenly) {
    Random random(8);
    std::map<Genes, double> counts;
    for (int i = 0; i < 60000; ++i) ++counts[Shuffled(3, random)];
    ASSERT_EQ(counts.size(), 6u);
    double chi = 0.0;
    for (const auto& [order, count] : counts) chi += (count - 10000) * (count - 10000) / 10000;
    EXPECT_LT(chi, 20.52);
}

}  // namespace
