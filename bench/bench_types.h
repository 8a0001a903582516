#pragma once

#include <cstdint>

#include "framework/individual.h"
#include "framework/population.h"

namespace zarnel {

// A bit string of 32-bit genes, each encoding one real variable, scored by a
// double fitness where higher is better.
using BenchIndividual = CIndividual<std::uint32_t, double>;
using BenchPopulation = CPopulation<BenchIndividual>;

}  // namespace zarnel
