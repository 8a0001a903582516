#pragma once

// The library for several objectives in one include: dominance and the
// feasibility rules, non-dominated sorting, crowding distance, NSGA-III's
// reference directions and normalisation, NSGA-II and NSGA-III survival,
// hypervolume and IGD+. Every objective is minimised.
#include "objectives/crowding.h"
#include "objectives/dominance.h"
#include "objectives/indicators.h"
#include "objectives/nondominated_sort.h"
#include "objectives/normalisation.h"
#include "objectives/point_set.h"
#include "objectives/reference_directions.h"
#include "objectives/survival.h"
