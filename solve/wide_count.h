#pragma once

#include <cstdint>

namespace zarnel::islands {

// A count of master iterations in 64 bits, followed from a 32-bit total
// that wraps after 2^32 iterations (the run loop's). Each total given must
// come after at least one more iteration than the last, and fewer than 2^32
// more; a total below the last one is taken as a wrap. An island port needs
// the wide count: a wrapped total would fall below its next migration, and
// the island would neither migrate nor vote again. A plain value, used by
// one thread.
class WideCount {
public:
    // The wide count of `total`.
    std::uint64_t Follow(std::uint32_t total) {
        constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;
        if (total < static_cast<std::uint32_t>(wide_)) wide_ += kWrap;
        wide_ = (wide_ & ~(kWrap - 1)) | total;
        return wide_;
    }
    std::uint64_t Value() const { return wide_; }

private:
    std::uint64_t wide_ = 0;
};

}  // namespace zarnel::islands
