// The dynamics of a LAMMPS dump, checked through the results on an accelerated flight
// (tests/support/accelerated_flight.hpp) dumped every 0.02 ps with its velocities: the MSD of every
// 5th frame (0.1 ps apart) with origins every 2 ps and Einstein D fitted over 2-10 ps, the VACF of
// every 2nd frame's velocities (0.04 ps apart) over 127 lags and its Green-Kubo D.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accelerated_flight.hpp"
#include "dump_dynamics.hpp"
#include "dump_reader.hpp"
#include "pelzak/formats/number_text.hpp"
#include "support.hpp"

namespace {

using namespace pelzak::test;
using pelzak::formats::shortest;

constexpr int atoms = 4;
constexpr int frames = 1001;  // 20 ps
constexpr double spacing = 0.02;

// The flight as LAMMPS dumps it: unwrapped positions in Å, and the velocities v + 2 c t in Å/ps.
std::string flight_dump() {
  std::string text;
  for (int f = 0; f < frames; ++f) {
    const double t = f * spacing;
    const std::vector<double> x = flight_positions(atoms, t);
    const double dt = 1e-3;  // the flight is quadratic: the central difference is its velocity
    const std::vector<double> ahead = flight_positions(atoms, t + dt),
                              behind = flight_positions(atoms, t - dt);
    text += "ITEM: TIME\n" + shortest(t) + "\nITEM: TIMESTEP\n" + std::to_string(2 * f) +
            "\nITEM: NUMBER OF ATOMS\n4\nITEM: BOX BOUNDS pp pp pp\n0 50\n0 50\n0 50\nITEM: ATOMS id xu yu "
            "zu vx vy vz\n";
    for (int i = 0; i < atoms; ++i) {
      text += std::to_string(i + 1);
      for (int k = 0; k < 3; ++k) text += ' ' + shortest(10 * x[k * atoms + i]);
      for (int k = 0; k < 3; ++k)
        text += ' ' + shortest(10 * (ahead[k * atoms + i] - behind[k * atoms + i]) / (2 * dt));
      text += '\n';
    }
  }
  return text;
}

TEST(LammpsDumpDynamics, AnAcceleratedFlightGivesTheResultsOfTheSchedule) {
  ScratchDir dir;
  write_bytes("flight.lammpstrj", flight_dump());
  pelzak::lammps::Dump dump;
  std::string message, warning;
  ASSERT_TRUE(pelzak::lammps::read_dump("flight.lammpstrj", {}, dump, &message, &warning)) << message;
  pelzak::analysis::DynamicsReport r;
  std::vector<std::string> notes;
  ASSERT_TRUE(pelzak::lammps::dump_dynamics(dump, "", r, notes, &message)) << message;
  EXPECT_TRUE(notes.empty());

  Frames msd_frames, velocities;
  for (int f = 0; f < frames; f += 5)
    msd_frames.emplace_back(dump.frame_positions(f), dump.frame_positions(f) + 3 * atoms);
  for (int f = 0; f < frames; f += 2)
    velocities.emplace_back(dump.frame_velocities(f), dump.frame_velocities(f) + 3 * atoms);
  const double step = dump.times[1] - dump.times[0];
  // Origins every 20 frames of 0.1 ps (2 ps), lags up to 100 (half the run), the fit over lags 20
  // to 100 (2-10 ps); the VACF over 127 lags of 0.04 ps.
  const ExpectedDynamics e =
      expected_dynamics(msd_frames, 20, 100, 20, 100, 5 * step, velocities, 127, 2 * step);
  expect_dynamics(r, e);
}

}  // namespace
