#include "nqueen/permutation.h"

#include <utility>

#include "platform/random.h"

namespace zarnel {

void RandomPermutation(std::uint16_t* genes, std::uint32_t count) {
    for (std::uint32_t j = 0; j < count; ++j) genes[j] = static_cast<std::uint16_t>(j);
    if (count < 2) return;
    for (std::uint32_t swaps = 0; swaps < count; ++swaps) {
        const std::uint32_t a = platform::Rand32() % count;
        std::uint32_t b;
        do {
            b = platform::Rand32() % count;
        } while (b == a);
        std::swap(genes[a], genes[b]);
    }
}

}  // namespace zarnel
