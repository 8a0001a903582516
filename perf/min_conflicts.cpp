// The plain min-conflicts program that perf/queens_vs_min_conflicts.sh runs
// beside ZarnelNQueen: the textbook algorithm (Minton, Johnston, Philips and
// Laird, 1992; Russell and Norvig's MIN-CONFLICTS) with nothing of Zarnel in
// it.
//
//   min_conflicts N SEED SOLUTION-FILE [MAX-MOVES]
//
// A greedy random start (as in the original paper, where the start is
// greedy too) puts the queens column by column in rows still free, preferring
// free diagonals (Board's constructor). Then, until no two queens attack each other: a
// conflicted queen is picked at random, taken off the board and put back in
// the row of its column that the fewest queens attack (ties at random), which
// may be the row it left. Queens per row and per diagonal are counted, so a
// row's conflicts cost O(1) and a move O(N). Writes the rows, one line, to
// SOLUTION-FILE and prints "N moves seconds solved|unsolved" (seconds from
// the start to the solution, the file excluded). Exit status 0 when solved.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// xoshiro256** seeded by SplitMix64: a small, fast generator of its own.
class Generator {
public:
    explicit Generator(std::uint64_t seed) {
        for (std::uint64_t& word : state_) {
            std::uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }
    std::uint64_t Next() {
        const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotl(state_[3], 45);
        return result;
    }
    // Uniform in [0, bound) by multiply-and-shift (a bias below 2^-32).
    std::uint32_t Below(std::uint32_t bound) {
        return static_cast<std::uint32_t>(((Next() >> 32) * bound) >> 32);
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state_[4];
};

class Board {
public:
    Board(std::uint32_t n, Generator& random)
        : n_(n), rowOf_(n), rows_(n, 0), sums_(2 * std::size_t{n}, 0), differences_(2 * std::size_t{n}, 0) {
        // The greedy start: each column in turn takes, of up to kStartTries
        // rows that no earlier column holds, the first on two free
        // diagonals (else the last tried). A uniformly random start leaves
        // about 0.6 N queens in conflict, each move costs O(N), and 200,000
        // queens take minutes; from this start a few hundred moves remain.
        constexpr std::uint32_t kStartTries = 32;
        std::vector<std::uint32_t> free(n);
        for (std::uint32_t row = 0; row < n; ++row) free[row] = row;
        for (std::uint32_t column = 0; column < n; ++column) {
            const std::uint32_t left = n - column;
            std::uint32_t pick = 0;
            for (std::uint32_t t = 0; t < kStartTries; ++t) {
                pick = column + random.Below(left);
                const std::uint32_t row = free[pick];
                if (sums_[row + column] == 0 && differences_[Difference(row, column)] == 0) break;
            }
            std::swap(free[column], free[pick]);
            Place(free[column], column);
        }
    }

    // No two queens share a row or a diagonal.
    bool Solved() const { return surplus_ == 0; }

    bool Conflicted(std::uint32_t column) const {
        const std::uint32_t row = rowOf_[column];
        return rows_[row] > 1 || sums_[row + column] > 1 || differences_[Difference(row, column)] > 1;
    }

    // Moves the queen of `column` to the row of its column that the fewest
    // other queens attack, ties at random.
    void MoveToLeastConflicted(std::uint32_t column, Generator& random) {
        Remove(rowOf_[column], column);
        // Row r's attackers: rows_[r] + sums_[r + column] + differences_[r + n - 1 - column];
        // all three arrays are walked forward, so the first two passes are a
        // plain minimum and a plain count, which the compiler vectorises.
        const std::uint32_t* sums = sums_.data() + column;
        const std::uint32_t* differences = differences_.data() + (n_ - 1 - column);
        const std::uint32_t* rows = rows_.data();
        std::uint32_t best = ~0u;
        for (std::uint32_t r = 0; r < n_; ++r) {
            const std::uint32_t attackers = rows[r] + sums[r] + differences[r];
            best = attackers < best ? attackers : best;
        }
        std::uint32_t ties = 0;
        for (std::uint32_t r = 0; r < n_; ++r) ties += rows[r] + sums[r] + differences[r] == best ? 1u : 0u;
        // The chosen tie, found by a third pass that stops there.
        std::uint32_t skip = random.Below(ties);
        std::uint32_t r = 0;
        for (;; ++r) {
            if (rows[r] + sums[r] + differences[r] == best && skip-- == 0) break;
        }
        Place(r, column);
    }

    const std::vector<std::uint32_t>& Rows() const { return rowOf_; }

private:
    std::size_t Difference(std::uint32_t row, std::uint32_t column) const { return row + (n_ - 1) - column; }

    // A queen joining an occupied line adds one to the surplus.
    void Place(std::uint32_t row, std::uint32_t column) {
        rowOf_[column] = row;
        if (rows_[row]++ != 0) ++surplus_;
        if (sums_[row + column]++ != 0) ++surplus_;
        if (differences_[Difference(row, column)]++ != 0) ++surplus_;
    }
    void Remove(std::uint32_t row, std::uint32_t column) {
        if (--rows_[row] != 0) --surplus_;
        if (--sums_[row + column] != 0) --surplus_;
        if (--differences_[Difference(row, column)] != 0) --surplus_;
    }

    std::uint32_t n_;
    std::vector<std::uint32_t> rowOf_;
    std::vector<std::uint32_t> rows_;
    std::vector<std::uint32_t> sums_;
    std::vector<std::uint32_t> differences_;
    std::uint64_t surplus_ = 0;  // queens beyond the first on every row and diagonal
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: min_conflicts N SEED SOLUTION-FILE [MAX-MOVES]\n", stderr);
        return 2;
    }
    const auto n = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const std::uint64_t seed = std::strtoull(argv[2], nullptr, 10);
    const std::uint64_t maxMoves = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 100 * std::uint64_t{n};
    if (n < 4) {
        std::fputs("min_conflicts: N must be at least 4\n", stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    Generator random(seed);
    Board board(n, random);
    std::uint64_t moves = 0;
    while (!board.Solved() && moves < maxMoves) {
        // A random conflicted queen: random columns until one is conflicted.
        std::uint32_t column = random.Below(n);
        while (!board.Conflicted(column)) column = random.Below(n);
        board.MoveToLeastConflicted(column, random);
        ++moves;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::FILE* out = std::fopen(argv[3], "w");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    for (const std::uint32_t row : board.Rows()) std::fprintf(out, "%u ", row);
    std::fputc('\n', out);
    if (std::fclose(out) != 0) return 1;
    std::printf("%u %llu %.6f %s\n", n, static_cast<unsigned long long>(moves), seconds,
                board.Solved() ? "solved" : "unsolved");
    return board.Solved() ? 0 : 3;
}
