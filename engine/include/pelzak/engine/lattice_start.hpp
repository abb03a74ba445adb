// A start for any atom count and box: the atoms on a face-centred cubic lattice that fills the box
// (n x n x n unit cells of four sites, the smallest n with 4 n^3 >= N; the first N sites, cell by
// cell, when N is not 4 n^3), with velocities drawn from the Maxwell-Boltzmann distribution at the
// state point's temperature (each component normal with variance kB T / m), the centre-of-mass
// velocity removed and the whole scaled to that temperature exactly. The draws come from the
// engine's machine-independent Random (random.hpp), seeded with `seed`: the same seed gives the
// same start, byte for byte, everywhere.
#pragma once

#include <cstdint>

#include "pelzak/engine/system.hpp"

namespace pelzak::engine {

void lattice_start(System& s, std::uint64_t seed);

}  // namespace pelzak::engine
