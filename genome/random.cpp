#include "genome/random.h"

#include <cmath>

#include "genome/detail/portable_math.h"

namespace zarnel {

double Random::Normal() {
    for (;;) {
        const double u = 2.0 * Uniform() - 1.0;
        const double v = 2.0 * Uniform() - 1.0;
        const double s = u * u + v * v;
        if (s < 1.0 && s > 0.0) return u * std::sqrt(-2.0 * genome_detail::Log(s) / s);
    }
}

}  // namespace zarnel
