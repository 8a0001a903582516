#pragma once

#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>

#include "run/seed.h"

namespace zarnel {

// A 64-bit generator: xoshiro256** (Blackman and Vigna, "Scrambled linear
// pseudorandom number generators", 2021), period 2^256 - 1, its four state
// words expanded from a 64-bit seed by SplitMix64, so the state is never all
// zero. Every draw the genome operators make goes through it and through
// its own integer-to-real mappings below, never through a <random>
// distribution (those differ between standard libraries), so one seed gives
// the same genomes with every compiler and on every platform.
//
// It is a UniformRandomBitGenerator, so std::shuffle and the like accept it.
//
// Thread safety: none. A Random belongs to one thread; each thread of a run
// draws from its own stream (Stream(runSeed, threadIndex)).
class Random {
public:
    using result_type = std::uint64_t;
    using State = std::array<std::uint64_t, 4>;

    explicit Random(std::uint64_t seed = 0) {
        for (std::uint64_t& word : state_) word = SplitMix64(seed);
    }

    // Stream `stream` of the run seeded with `runSeed`:
    // Random(run::DeriveSeed(runSeed, stream)).
    static Random Stream(std::uint64_t runSeed, std::uint64_t stream) {
        return Random(run::DeriveSeed(runSeed, stream));
    }

    // The generator's state, to save a stream and continue it later exactly
    // where it stood; FromState(State()) draws what this one would. An all-zero
    // state (which xoshiro never leaves) is replaced by Random(0)'s.
    const State& GetState() const { return state_; }
    static Random FromState(const State& state) {
        Random random;
        if ((state[0] | state[1] | state[2] | state[3]) != 0) random.state_ = state;
        return random;
    }

    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }
    result_type operator()() { return Next(); }

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

    // Uniform in [0, bound), bound >= 1, without bias: Lemire's
    // multiply-and-shift of the high 32 bits of a draw, with his rejection
    // step ("Fast random integer generation in an interval", 2019), which
    // divides only when the low half falls below the bound.
    std::uint32_t Below(std::uint32_t bound) {
        assert(bound >= 1);
        std::uint64_t m = (Next() >> 32) * bound;
        auto low = static_cast<std::uint32_t>(m);
        if (low < bound) {
            const std::uint32_t threshold = (0u - bound) % bound;
            while (low < threshold) {
                m = (Next() >> 32) * bound;
                low = static_cast<std::uint32_t>(m);
            }
        }
        return static_cast<std::uint32_t>(m >> 32);
    }

    // The same over 64 bits: uniform in [0, bound), bound >= 1.
    std::uint64_t Below64(std::uint64_t bound) {
        assert(bound >= 1);
        std::uint64_t high;
        std::uint64_t low = MulWide(Next(), bound, high);
        if (low < bound) {
            const std::uint64_t threshold = (0 - bound) % bound;
            while (low < threshold) low = MulWide(Next(), bound, high);
        }
        return high;
    }

    // Uniform in [0, 1): the high 53 bits of a draw, scaled.
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Uniform in [lo, hi) for lo <= hi (hi itself may come out by rounding when
    // the range is wide next to lo). A range wider than the largest double
    // (lo = -1e308, hi = 1e308) is drawn without overflowing.
    double Uniform(double lo, double hi) {
        const double u = Uniform();
        const double width = hi - lo;
        if (std::isfinite(width)) return lo + width * u;
        return lo * (1.0 - u) + hi * u;
    }

    // True with probability p; draws nothing when p <= 0 (or NaN: never) or
    // p >= 1 (always).
    bool Chance(double p) {
        if (!(p > 0.0)) return false;
        if (p >= 1.0) return true;
        return Uniform() < p;
    }

    // A standard normal value by Marsaglia's polar method (two uniforms in
    // the unit disc per value; the second value of each pair is dropped, so
    // the state alone says what comes next). Its logarithm is the genome
    // layer's own, so the value is the same with every C library.
    double Normal();

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    // SplitMix64 (Steele, Lea and Flood, 2014): advances `x` and returns its
    // next output. Consecutive outputs are distinct, so at most one of the
    // four state words can be zero.
    static std::uint64_t SplitMix64(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // The 128-bit product a * b: returns the low half, sets `high`.
    static std::uint64_t MulWide(std::uint64_t a, std::uint64_t b, std::uint64_t& high) {
#if defined(__SIZEOF_INT128__)
        __extension__ typedef unsigned __int128 Wide;
        const Wide product = static_cast<Wide>(a) * b;
        high = static_cast<std::uint64_t>(product >> 64);
        return static_cast<std::uint64_t>(product);
#else
        const std::uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
        const std::uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
        const std::uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
        const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
        high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
        return (middle << 32) | (ll & 0xFFFFFFFFu);
#endif
    }

    State state_;
};

}  // namespace zarnel
