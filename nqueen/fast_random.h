#pragma once

#include "genome/random.h"

namespace zarnel {

// The generator of the fast operators: the layer's 64-bit generator
// (xoshiro256**), one per thread, each seeded from the run seed with its own
// stream number, so threads draw unrelated sequences. Not shared between
// threads.
using FastRandom = Random;

}  // namespace zarnel
