#pragma once

// Everything of the genome layer in one include: the generator, the five
// genome kinds with their operators, and their operator choices.
#include "genome/bit_string.h"
#include "genome/bit_string_operators.h"
#include "genome/bit_string_variation.h"
#include "genome/integer_vector.h"
#include "genome/integer_vector_operators.h"
#include "genome/integer_vector_variation.h"
#include "genome/operators_of.h"
#include "genome/permutation.h"
#include "genome/permutation_operators.h"
#include "genome/permutation_variation.h"
#include "genome/permutation_with_repetition.h"
#include "genome/permutation_with_repetition_operators.h"
#include "genome/permutation_with_repetition_variation.h"
#include "genome/random.h"
#include "genome/real_vector.h"
#include "genome/real_vector_operators.h"
#include "genome/real_vector_variation.h"
