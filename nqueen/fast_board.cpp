#include "nqueen/fast_board.h"

#include <algorithm>
#include <utility>

#include "nqueen/eval_operator.h"

namespace zarnel {

void FastDiagonals::Reset(std::size_t diagonals) {
    counts_.assign(diagonals, 0);
    const std::size_t words = (diagonals + 63) / 64;
    occupied_.assign(words, 0);
    crowded_.assign(words, 0);
}

std::int64_t FastDiagonals::MoveChange(std::size_t from1, std::size_t from2, std::size_t to1,
                                       std::size_t to2) const {
    std::int64_t change = 0;
    if (from1 == from2) {
        // Both queens leave: at least two are on it.
        change -= counts_[from1] >= 3 ? 2 : 1;
    } else {
        change -= Crowded(from1) ? 1 : 0;
        change -= Crowded(from2) ? 1 : 0;
    }
    if (to1 == to2) {
        change += Occupied(to1) ? 2 : 1;
    } else {
        change += Occupied(to1) ? 1 : 0;
        change += Occupied(to2) ? 1 : 0;
    }
    return change;
}

template <typename Gene>
void FastBoardOf<Gene>::Add(std::uint32_t row, std::uint32_t column) {
    // A queen joining an occupied diagonal is one conflict more.
    if (sums_.Add(row + column)) ++conflicts_;
    if (differences_.Add(row + (n_ - 1) - column)) ++conflicts_;
}

template <typename Gene>
void FastBoardOf<Gene>::Remove(std::uint32_t row, std::uint32_t column) {
    if (sums_.Remove(row + column)) --conflicts_;
    if (differences_.Remove(row + (n_ - 1) - column)) --conflicts_;
}

template <typename Gene>
void FastBoardOf<Gene>::Clear(Gene* genes, std::uint32_t n) {
    genes_ = genes;
    n_ = n;
    const std::size_t diagonals = n == 0 ? 0 : 2 * static_cast<std::size_t>(n) - 1;
    sums_.Reset(diagonals);
    differences_.Reset(diagonals);
    conflicts_ = 0;
}

template <typename Gene>
void FastBoardOf<Gene>::Load(Gene* genes, std::uint32_t n) {
    Clear(genes, n);
    for (std::uint32_t column = 0; column < n; ++column) Add(genes[column], column);
}

template <typename Gene>
void FastBoardOf<Gene>::Build(Gene* genes, std::uint32_t n, FastRandom& random, std::uint32_t tries) {
    for (std::uint32_t j = 0; j < n; ++j) genes[j] = static_cast<Gene>(j);
    // Building asks only whether a diagonal is taken: one bit per diagonal
    // stays in the nearest caches where the counters of a large board do
    // not. The counts follow from the finished board.
    const std::size_t words = (2 * std::size_t{n} + 63) / 64;
    sumMarks_.assign(words, 0);
    differenceMarks_.assign(words, 0);
    const auto taken = [](const std::vector<std::uint64_t>& bits, std::size_t k) {
        return ((bits[k >> 6] >> (k & 63)) & 1u) != 0;
    };
    const auto take = [](std::vector<std::uint64_t>& bits, std::size_t k) {
        bits[k >> 6] |= std::uint64_t{1} << (k & 63);
    };
    // genes[column .. n-1] hold the rows still free.
    for (std::uint32_t column = 0; column < n; ++column) {
        for (std::uint32_t t = 0; t < tries; ++t) {
            const std::uint32_t pick = column + random.Below(n - column);
            std::swap(genes[column], genes[pick]);
            const std::uint32_t row = genes[column];
            if (!taken(sumMarks_, row + column) && !taken(differenceMarks_, row + (n - 1) - column)) break;
        }
        const std::uint32_t row = genes[column];
        take(sumMarks_, row + column);
        take(differenceMarks_, row + (n - 1) - column);
    }
    Load(genes, n);
}

template <typename Gene>
bool FastBoardOf<Gene>::Attacked(std::uint32_t column) const {
    const std::uint32_t row = genes_[column];
    return sums_.Crowded(row + column) || differences_.Crowded(row + (n_ - 1) - column);
}

template <typename Gene>
std::int64_t FastBoardOf<Gene>::Swap(std::uint32_t a, std::uint32_t b) {
    const std::int64_t before = conflicts_;
    const std::uint32_t rowA = genes_[a];
    const std::uint32_t rowB = genes_[b];
    // Each Remove and Add keeps the count exact on its own, so the order does
    // not matter, also when the two queens share a diagonal.
    Remove(rowA, a);
    Remove(rowB, b);
    Add(rowB, a);
    Add(rowA, b);
    genes_[a] = static_cast<Gene>(rowB);
    genes_[b] = static_cast<Gene>(rowA);
    return conflicts_ - before;
}

template <typename Gene>
std::int64_t FastBoardOf<Gene>::SwapChange(std::uint32_t a, std::uint32_t b) const {
    const std::size_t rowA = genes_[a];
    const std::size_t rowB = genes_[b];
    const std::size_t shift = n_ - 1;
    return sums_.MoveChange(rowA + a, rowB + b, rowB + a, rowA + b) +
           differences_.MoveChange(rowA + shift - a, rowB + shift - b, rowB + shift - a, rowA + shift - b);
}

template <typename Gene>
void FastBoardOf<Gene>::CollectAttacked() {
    // Attacked(column) for each column in turn, on the bits of crowded
    // diagonals alone.
    const std::uint64_t* sums = sums_.CrowdedBits();
    const std::uint64_t* differences = differences_.CrowdedBits();
    attacked_.clear();
    for (std::uint32_t column = 0; column < n_; ++column) {
        const std::size_t row = genes_[column];
        const std::size_t sum = row + column;
        const std::size_t difference = row + (n_ - 1) - column;
        if (((sums[sum >> 6] >> (sum & 63)) | (differences[difference >> 6] >> (difference & 63))) & 1u)
            attacked_.push_back(column);
    }
}

template <typename Gene>
void FastBoardOf<Gene>::Improve(FastRandom& random, std::uint64_t budget, std::uint32_t tries,
                                RepairCutoff cutoff) {
    if (n_ < 2) return;
    bool improvedThisRound = true;
    attacked_.clear();
    while (conflicts_ > 0 && budget > 0) {
        if (attacked_.empty()) {
            // A round that found nothing better ends at a local minimum.
            if (!improvedThisRound) return;
            improvedThisRound = false;
            CollectAttacked();
        }
        const std::uint32_t k = random.Below(static_cast<std::uint32_t>(attacked_.size()));
        const std::uint32_t column = attacked_[k];
        attacked_[k] = attacked_.back();
        attacked_.pop_back();
        if (!Attacked(column)) continue;
        for (std::uint32_t t = 0; t < tries && budget > 0; ++t) {
            if (budget % kCutoffEvery == 0 && cutoff.Due()) return;
            --budget;
            const std::uint32_t other = random.Below(n_);
            if (other == column) continue;
            if (SwapChange(column, other) < 0) {
                Swap(column, other);
                improvedThisRound = true;
                // The queen moved into `other` may now be attacked.
                if (Attacked(other)) attacked_.push_back(other);
                break;
            }
        }
    }
}

template <typename Gene>
float FastBoardOf<Gene>::Fitness() const {
    return NQueenFitnessFromDiagonals(sums_.Counts(), differences_.Counts(), n_);
}

template class FastBoardOf<std::uint16_t>;
template class FastBoardOf<std::uint32_t>;

}  // namespace zarnel
