// The library's g(r) file in the staging folder. The library opens "rdf_argon.dat" by that name in
// the working directory at production step 1 and keeps the descriptor until the process ends;
// at step 1000 it writes the table through it. The run makes the staging folder the working
// directory for that one call and the run folder again straight after, so the table is written
// into the staging folder and moves into place with the rest of the set.
//
// A second run in the same process (a program that runs the job as a function) finds the
// descriptor still open on the first run's file, which has by then become the result in the run
// folder, and the library's step 1 empties the open file in place: the earlier result would be
// lost. So the run notes which descriptor the library opened, and before a later run's step 1 it
// puts a new, empty "rdf_argon.dat" of the staging folder under that descriptor (after checking
// that the descriptor still names the file the library opened).
#pragma once

#include <string>

#include "staging.hpp"

namespace pelzak::md {

// Production step 1 of the library's sampler (radial_dist with step 1: the file is opened and
// the histogram cleared, and the first sample taken) with the file in the staging folder. False
// with a message if the working directory cannot be switched or the earlier descriptor is no
// longer the library's.
bool library_rdf_start(const Staging& staging, const double* positions, double* histogram,
                       std::string* message);

}  // namespace pelzak::md
