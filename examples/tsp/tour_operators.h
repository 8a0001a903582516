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

namespace tsp {

// What the operators leave for the local search about the child they bred
// last on this thread: the child's genes (to know it is the same tour) and
// the cities at the ends of its edges that no parent had. The tour
// operators and the problem's improve run one after the other on the same
// slave thread for each child, so a note per thread needs no lock.
struct BreedNote {
    const std::uint32_t* child = nullptr;
    std::vector<std::uint32_t> cities;
    std::vector<std::uint32_t> replaced;  // the genes the child replaces (with keepBetter)
    bool kicked = false;
};
inline BreedNote& ThreadBreedNote() { return zarnel::platform::PerThread<BreedNote>(); }

// How the example breeds tours, passed to zarnel::Solve in place of the
// permutation kind's own operators: edge assembly crossover of the best two
// parents of a tournament (EdgeAssembly), and a segment double bridge
// (SegmentDoubleBridge) when the two parents are the same tour, so that a
// population that has converged goes on as iterated local search. Either
// way the child's new edges are noted for the local search (BreedNote).
// Breed is const and keeps its scratch per thread: any number of slave
// threads may breed at once, each with its own Random.
class TourOperators {
public:
    struct Settings {
        // Cities in each of the two runs a double bridge swaps, at most.
        std::uint32_t kickRun = 50;
        // The chance that a crossover's child is kicked too (a double bridge
        // after the crossover), in [0, 1].
        double kickRate = 0.0;
        // Keep the genes the child replaces, for TourImprover::keepBetter.
        bool keepReplaced = false;
        bool baseReplaced = false;
    };

    TourOperators(const EdgeAssembly& crossover, Settings settings)
        : crossover_(&crossover), settings_(settings) {}

    std::string Name() const { return "eax+double_bridge"; }

    std::string Validate() const {
        if (!(settings_.kickRate >= 0.0 && settings_.kickRate <= 1.0)) return "kick rate outside [0, 1]";
        if (settings_.kickRun < 1 || settings_.kickRun > 1024) return "kick run outside 1 to 1024";
        return "";
    }

    void Breed(const zarnel::Permutation& kind, std::span<const std::span<const std::uint32_t>> parents,
               std::span<std::uint32_t> child, zarnel::Random& random) const {
        (void)kind;
        BreedNote& note = ThreadBreedNote();
        note.cities.clear();
        note.child = nullptr;
        if (settings_.keepReplaced) note.replaced.assign(child.begin(), child.end());
        bool kick = parents.size() < 2 || random.Uniform() < settings_.kickRate;
        if (settings_.baseReplaced) {
            if (!settings_.keepReplaced) note.replaced.assign(child.begin(), child.end());
            const EdgeAssembly::Outcome outcome =
                crossover_->Breed(note.replaced, parents[0], child, random(), note.cities);
            kick = kick || outcome.cycles == 0;
        } else if (parents.size() >= 2) {
            const EdgeAssembly::Outcome outcome =
                crossover_->Breed(parents[0], parents[1], child, random(), note.cities);
            kick = kick || outcome.cycles == 0;
        } else {
            std::copy(parents[0].begin(), parents[0].end(), child.begin());
        }
        if (kick) SegmentDoubleBridge(child, settings_.kickRun, random(), note.cities);
        note.kicked = kick;
        note.child = child.data();
    }

private:
    const EdgeAssembly* crossover_;
    Settings settings_;
};

// The improvement of a tour that goes with TourOperators. A child they bred
// on this thread is searched only around its noted cities (don't-look bits
// set everywhere else, as the parents were locally optimal there), which
// costs a small part of a whole search. Any other tour is one of the first
// population (zarnel::Solve calls improve after the kind's random Init): with
// `nearestStart` it is replaced by a nearest-neighbour tour from a city drawn
// at random, which the search then finishes much faster than a random tour.
// With `wholeSearch` a bred child is searched whole too.
struct TourImprover {
    const LocalSearch* search;
    bool nearestStart = true;
    bool wholeSearch = false;
    bool keepBetter = false;
    bool keepKicked = false;

    void operator()(std::span<std::uint32_t> tour, zarnel::Random& random) const {
        BreedNote& note = ThreadBreedNote();
        const bool bred = note.child == tour.data();
        note.child = nullptr;
        if (bred) {
            if (wholeSearch)
                search->Improve(tour, random);
            else
                search->ImproveAround(tour, note.cities);
            if ((keepBetter || (keepKicked && note.kicked)) && note.replaced.size() == tour.size() &&
                search->Length(note.replaced) < search->Length(tour))
                std::copy(note.replaced.begin(), note.replaced.end(), tour.begin());
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
