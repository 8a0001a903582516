#pragma once

// The benchmark picks its best individual with the framework's function,
// BestIndividualIndex(population), which this header makes visible to the
// benchmark's operators and driver.
#include "framework/best_individual.h"
