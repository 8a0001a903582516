#include "nqueen/fast_board.h"

#include <algorithm>
#include <utility>

#include "nqueen/eval_operator.h"

namespace zarnel {

void FastBoard::Add(std::uint32_t row, std::uint32_t column) {
    // A queen joining an occupied diagonal is one conflict more.
    if (sums_[row + column]++ != 0) ++conflicts_;
    if (differences_[row + (n_ - 1) - column]++ != 0) ++conflicts_;
}

void FastBoard::Remove(std::uint32_t row, std::uint32_t column) {
    if (--sums_[row + column] != 0) --conflicts_;
    if (--differences_[row + (n_ - 1) - column] != 0) --conflicts_;
}

void FastBoard::Clear(std::uint16_t* genes, std::uint32_t n) {
    genes_ = genes;
    n_ = n;
    const std::size_t diagonals = n == 0 ? 0 : 2 * static_cast<std::size_t>(n) - 1;
    sums_.assign(diagonals, 0);
    differences_.assign(diagonals, 0);
    conflicts_ = 0;
}

void FastBoard::Load(std::uint16_t* genes, std::uint32_t n) {
    Clear(genes, n);
    for (std::uint32_t column = 0; column < n; ++column) Add(genes[column], column);
}

void FastBoard::Build(std::uint16_t* genes, std::uint32_t n, FastRandom& random, std::uint32_t tries) {
    Clear(genes, n);
    for (std::uint32_t j = 0; j < n; ++j) genes[j] = static_cast<std::uint16_t>(j);
    // genes[column .. n-1] hold the rows still free.
    for (std::uint32_t column = 0; column < n; ++column) {
        for (std::uint32_t t = 0; t < tries; ++t) {
            const std::uint32_t pick = column + random.Below(n - column);
            std::swap(genes[column], genes[pick]);
            const std::uint32_t row = genes[column];
            if (sums_[row + column] == 0 && differences_[row + (n - 1) - column] == 0) break;
        }
        Add(genes[column], column);
    }
}

bool FastBoard::Attacked(std::uint32_t column) const {
    const std::uint32_t row = genes_[column];
    return sums_[row + column] > 1 || differences_[row + (n_ - 1) - column] > 1;
}

std::int64_t FastBoard::Swap(std::uint32_t a, std::uint32_t b) {
    const std::int64_t before = conflicts_;
    const std::uint32_t rowA = genes_[a];
    const std::uint32_t rowB = genes_[b];
    // Each Remove and Add keeps the count exact on its own, so the order does
    // not matter, also when the two queens share a diagonal.
    Remove(rowA, a);
    Remove(rowB, b);
    Add(rowB, a);
    Add(rowA, b);
    genes_[a] = static_cast<std::uint16_t>(rowB);
    genes_[b] = static_cast<std::uint16_t>(rowA);
    return conflicts_ - before;
}

void FastBoard::CollectAttacked() {
    attacked_.clear();
    for (std::uint32_t column = 0; column < n_; ++column) {
        if (Attacked(column)) attacked_.push_back(column);
    }
}

void FastBoard::Improve(FastRandom& random, std::uint64_t budget, std::uint32_t tries) {
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
            --budget;
            const std::uint32_t other = random.Below(n_);
            if (other == column) continue;
            if (Swap(column, other) < 0) {
                improvedThisRound = true;
                // The queen moved into `other` may now be attacked.
                if (Attacked(other)) attacked_.push_back(other);
                break;
            }
            Swap(column, other);
        }
    }
}

float FastBoard::Fitness() const { return NQueenFitnessFromDiagonals(sums_.data(), differences_.data(), n_); }

}  // namespace zarnel
