#pragma once

// Kept for programs that include it from here: the header lives with the
// island layer's half that needs no MPI, in solve/.
#include "solve/island_figures.h"
