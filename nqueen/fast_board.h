#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "nqueen/fast_random.h"

namespace zarnel {

// Lets another thread end a repair early: the repair stops once `*first`
// (the lowest rank that found a solution, written by other threads) is below
// `rank`. Without `first` the repair always runs to its own end. The flag
// carries no data, so it is read relaxed.
struct RepairCutoff {
    const std::atomic<std::uint32_t>* first = nullptr;
    std::uint32_t rank = 0;

    bool Due() const { return first != nullptr && first->load(std::memory_order_relaxed) < rank; }
};

// The queens on each diagonal of one family (row + column, or row - column),
// with two bits per diagonal kept alongside: at least one queen, and more
// than one. A repair asks of most diagonals only these two questions; the
// bits of a large board stay in the nearer caches where its counters do not.
// Not shared between threads.
class FastDiagonals {
public:
    // `diagonals` empty diagonals.
    void Reset(std::size_t diagonals);
    // A queen joins or leaves diagonal k; true when the diagonal holds another
    // queen besides it (the conflicts change by one).
    bool Add(std::size_t k) {
        const std::uint32_t before = counts_[k]++;
        if (before == 0) {
            Set(occupied_, k);
            return false;
        }
        if (before == 1) Set(crowded_, k);
        return true;
    }
    bool Remove(std::size_t k) {
        const std::uint32_t after = --counts_[k];
        if (after == 0) {
            Unset(occupied_, k);
            return false;
        }
        if (after == 1) Unset(crowded_, k);
        return true;
    }
    bool Occupied(std::size_t k) const { return Test(occupied_, k); }
    bool Crowded(std::size_t k) const { return Test(crowded_, k); }
    // The change of the conflicts (queens beyond the first on a diagonal)
    // if the diagonals `from1` and `from2` each lost a queen and `to1` and
    // `to2` each gained one. No losing diagonal may be a gaining one; both
    // losses, or both gains, may be on one diagonal.
    std::int64_t MoveChange(std::size_t from1, std::size_t from2, std::size_t to1, std::size_t to2) const;
    const std::uint32_t* Counts() const { return counts_.data(); }
    // Bit k of word k / 64: diagonal k holds more than one queen.
    const std::uint64_t* CrowdedBits() const { return crowded_.data(); }

private:
    static void Set(std::vector<std::uint64_t>& bits, std::size_t k) {
        bits[k >> 6] |= std::uint64_t{1} << (k & 63);
    }
    static void Unset(std::vector<std::uint64_t>& bits, std::size_t k) {
        bits[k >> 6] &= ~(std::uint64_t{1} << (k & 63));
    }
    static bool Test(const std::vector<std::uint64_t>& bits, std::size_t k) {
        return ((bits[k >> 6] >> (k & 63)) & 1u) != 0;
    }

    std::vector<std::uint32_t> counts_;
    std::vector<std::uint64_t> occupied_;
    std::vector<std::uint64_t> crowded_;
};

// One board under repair, with its queens per diagonal kept move by move, so
// that swapping two columns is scored in O(1) (it touches at most eight
// diagonals) instead of by a full O(N) evaluation. Works on a gene array it
// does not own, of 16-bit genes (boards up to 65536 queens) or 32-bit ones
// (wider boards); holds O(N) counters, reused from board to board, so one
// board per thread allocates only when a larger board comes. Not shared
// between threads.
template <typename Gene>
class FastBoardOf {
public:
    // Counts the queens of `genes` (a permutation of 0 .. n-1, kept by pointer
    // until the next Load) on every diagonal.
    void Load(Gene* genes, std::uint32_t n);

    // Fills `genes` with a permutation built column by column: each column
    // takes, of up to `tries` random rows still free, the first that no queen
    // in an earlier column attacks (else the last one tried), and loads it.
    void Build(Gene* genes, std::uint32_t n, FastRandom& random, std::uint32_t tries);

    // Queens beyond the first on every diagonal of both kinds: 0 for a
    // solution.
    std::int64_t Conflicts() const { return conflicts_; }

    // True when another queen shares a diagonal with the queen of `column`.
    bool Attacked(std::uint32_t column) const;

    // Swaps the rows of two columns, keeping the counts, and returns the
    // change of Conflicts(). Swapping the same pair again undoes it.
    std::int64_t Swap(std::uint32_t a, std::uint32_t b);

    // What Swap(a, b) would return, for two different columns, without
    // swapping: a rejected try of the repair reads the bits of its eight
    // diagonals instead of writing their counters twice.
    std::int64_t SwapChange(std::uint32_t a, std::uint32_t b) const;

    // Min-conflicts repair: picks attacked queens at random and swaps each
    // with the first of up to `tries` random columns that lowers Conflicts().
    // Stops at a solution, after `budget` swaps tried, when a whole round
    // over the attacked queens found no better swap, or, checked every
    // kCutoffEvery swaps tried, when `cutoff` is due.
    void Improve(FastRandom& random, std::uint64_t budget, std::uint32_t tries, RepairCutoff cutoff = {});
    static constexpr std::uint64_t kCutoffEvery = 64;

    // The fitness of the board, to the bit what the evaluation operator gives.
    float Fitness() const;

private:
    // Points the board at `genes` (n columns) with every diagonal empty.
    void Clear(Gene* genes, std::uint32_t n);
    void Add(std::uint32_t row, std::uint32_t column);
    void Remove(std::uint32_t row, std::uint32_t column);
    void CollectAttacked();

    Gene* genes_ = nullptr;
    std::uint32_t n_ = 0;
    std::int64_t conflicts_ = 0;
    FastDiagonals sums_;                   // queens per row + column
    FastDiagonals differences_;            // queens per row + (n - 1) - column
    std::vector<std::uint32_t> attacked_;  // columns still to repair
    // One bit per diagonal while Build runs: taken so far.
    std::vector<std::uint64_t> sumMarks_;
    std::vector<std::uint64_t> differenceMarks_;
};

extern template class FastBoardOf<std::uint16_t>;
extern template class FastBoardOf<std::uint32_t>;

// The board of the individuals of up to 65536 queens, and of wider ones.
using FastBoard = FastBoardOf<std::uint16_t>;
using WideFastBoard = FastBoardOf<std::uint32_t>;

}  // namespace zarnel
