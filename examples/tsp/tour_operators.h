#pragma once

#include <zarnel/genome/permutation.h>
#include <zarnel/genome/random.h>
#include <zarnel/platform/per_thread.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "edge_assembly.h"
#include "local_search.h"
#include "neighbour_lists.h"

namespace tsp {

// What the operators leave for the local search about the child they bred
// last on this thread: the child's genes (to know it is the same tour) and
// the cities at the ends of its edges that no parent had. Zarnel calls the
// operators' Breed and then the problem's improve for each child, one after
// the other on the same thread, so a note per thread needs no lock.
struct BreedNote {
    const std::uint32_t* child = nullptr;
    std::vector<std::uint32_t> cities;
    std::vector<std::uint32_t> replaced;  // the genes the child replaces, read before they are overwritten
    std::vector<std::uint32_t>
        position;  // position[city]: where the child has it, kept in step by the search
};
inline BreedNote& ThreadBreedNote() { return zarnel::platform::PerThread<BreedNote>(); }

// How the example breeds tours, passed to zarnel::Solve in place of the
// permutation kind's own operators. Each tournament step hands Breed its
// best two individuals as parents and, in `child`, the genes of the worst,
// which the child replaces. The child is bred by edge assembly crossover
// (EdgeAssembly) with the replaced tour as the base and the best parent as
// the donor of an AB-cycle: the worst tour takes over a few of the best
// one's edges, so the population keeps its variety instead of filling with
// near copies of the best (the replacement rule of Nagata's GA-EAX, where a
// child replaces the parent it was built on). When the two tours are the
// same (or the crossover gives the base back), the child is the replaced
// tour kicked by a segment double bridge
// (SegmentDoubleBridge), so that a population that has converged goes on as
// iterated local search. Either way the child's new edges are noted for the
// local search (BreedNote, TourImprover).
//
// Breed is const and keeps its scratch per thread: any number of slave
// threads may breed at once, each with its own Random. A run with the same
// seed breeds the same children at any thread count (Zarnel's deterministic
// mode), as every draw comes from the Random passed in.
class TourOperators {
public:
    struct Settings {
        // Candidate children per crossover (EdgeAssembly::Breed's tries).
        std::uint32_t tries = 10;
        // Cities in each of the two runs a double bridge swaps, at most.
        std::uint32_t kickRun = 50;
        // Kick a child whose two tours are the same; without it the child
        // is a copy.
        bool kick = true;
        // The replaced tour is the base and the best parent the donor; without
        // it the best parent is the base and the second one the donor (the
        // child then is a near copy of the best).
        bool baseReplaced = true;
    };

    TourOperators(const EdgeAssembly& crossover, Settings settings)
        : crossover_(&crossover), settings_(settings) {}

    std::string Name() const { return "eax+double_bridge"; }

    std::string Validate() const {
        if (settings_.tries < 1 || settings_.tries > 1000) return "tries outside 1 to 1000";
        if (settings_.kickRun < 1 || settings_.kickRun > 1024) return "kick run outside 1 to 1024";
        return "";
    }

    void Breed(const zarnel::Permutation& kind, std::span<const std::span<const std::uint32_t>> parents,
               std::span<std::uint32_t> child, zarnel::Random& random) const {
        (void)kind;
        BreedNote& note = ThreadBreedNote();
        note.cities.clear();
        note.child = nullptr;
        note.replaced.assign(child.begin(), child.end());
        const bool crossover = settings_.baseReplaced || parents.size() >= 2;
        std::span<const std::uint32_t> base = settings_.baseReplaced ? note.replaced : parents[0];
        std::span<const std::uint32_t> donor =
            settings_.baseReplaced ? parents[0] : parents[1 % parents.size()];
        EdgeAssembly::Outcome outcome;
        if (crossover) {
            outcome = crossover_->Breed(base, donor, child, random(), settings_.tries, note.cities);
        } else {
            std::copy(parents[0].begin(), parents[0].end(), child.begin());
        }
        if (settings_.kick && !outcome.changed)
            SegmentDoubleBridge(child, settings_.kickRun, random(), note.cities);
        // One pass over the child, which the crossover has just written
        // whole anyway; the search then works from the noted cities alone.
        note.position.resize(child.size());
        for (std::uint32_t i = 0; i < child.size(); ++i) note.position[child[i]] = i;
        note.child = child.data();
    }

private:
    const EdgeAssembly* crossover_;
    Settings settings_;
};

// The improvement of a tour that goes with TourOperators, for the problem's
// improve. A child they bred on this thread is searched only around its
// noted cities (don't-look bits set everywhere else, as both tours it came
// from were locally optimal there), which costs a small part of a whole
// search. Any other tour is one of the first population (zarnel::Solve calls
// improve after the kind's random Init): with `nearestStart` it is replaced
// by a nearest-neighbour tour from a city drawn at random, which the search
// then finishes many times faster than a random tour. With `wholeSearch` a
// bred child is searched whole too.
struct TourImprover {
    const LocalSearch* search;
    bool nearestStart = true;
    bool wholeSearch = false;

    void operator()(std::span<std::uint32_t> tour, zarnel::Random& random) const {
        BreedNote& note = ThreadBreedNote();
        // (The size too: a note left by a run on another instance never counts.)
        const bool bred = note.child == tour.data() && note.replaced.size() == tour.size();
        note.child = nullptr;
        if (bred && !wholeSearch) {
            search->ImproveAround(tour, note.position, note.cities);
            return;
        }
        if (!bred && nearestStart) {
            const auto start = random.Below(static_cast<std::uint32_t>(tour.size()));
            NearestNeighbourTour(search->GetInstance(), search->Neighbours(), start, tour);
        }
        search->Improve(tour, random);
    }
};

}  // namespace tsp
