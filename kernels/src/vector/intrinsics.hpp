// The x86 intrinsics, for the files compiled for one vector instruction set.
//
// GCC 12 warns inside its own intrinsic headers that their deliberately undefined source registers
// are used uninitialized (GCC bug 105593); the warning is silenced for them alone.
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop
