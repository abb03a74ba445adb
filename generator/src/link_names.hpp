// The generator's routines under the link names that C and Fortran callers use, every argument
// passed by address. The asm labels give the exact symbols without spelling reserved
// identifiers in C++.
#pragma once

#include "dynamic_arrays.hpp"

extern "C" {
double pelzak_random_range(const double* lower, const double* upper) __asm__("random_range_");
double pelzak_prob(const double* v, const double* mass, const double* temperature) __asm__("prob_");
void pelzak_append(pelzak::initial::DoubleList* list,
                   const double* element) __asm__("__dynamic_arrays_MOD_append");
}
