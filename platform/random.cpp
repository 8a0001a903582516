#include "platform/random.h"

namespace zarnel::platform {

namespace {
thread_local std::uint32_t randState = 1;
}  // namespace

void SeedRand(std::uint32_t seed) { randState = seed; }

int Rand() {
    randState = NextRandState(randState);
    return RandFromState(randState);
}

std::uint32_t Rand32() {
    const auto r1 = static_cast<std::uint32_t>(Rand());
    const auto r2 = static_cast<std::uint32_t>(Rand());
    const auto r3 = static_cast<std::uint32_t>(Rand());
    const auto r4 = static_cast<std::uint32_t>(Rand());
    return ((r2 & 0xFFu) << 24) | ((r1 & 0xFFu) << 16) | ((r3 & 0xFFu) << 8) | (r4 & 0xFFu);
}

}  // namespace zarnel::platform
