// A system at a state point and the step that moves it: pelzak_md's scheme for any state point.
//
// The step, for every coordinate, with x the position, w the velocity passed in and d the driving
// term (the library's leapfrog, leapfrog_step.hpp):
//     x' = x + dt*w + dt^2*d                       (nm)
//     v' = w + (dt/2)*d                            (nm/ps)
//     T  from the mean (w + v')/2, then w_next = s*v' with s the thermostat's factor.
// Positions gain dt^2*d but velocities only (dt/2)*d, so no constant multiple of the acceleration
// a = F/m makes it a proper integrator. Write u(n+1/2) = (x(n+1) - x(n))/dt = w(n) + dt*d(n) for the
// displacement velocity of step n. Then
//     u(n+3/2) = w(n+1) + dt*d(n+1) = s(n)*w(n) + s(n)*(dt/2)*d(n) + dt*d(n+1).
// Leapfrog-Verlet whose half-step velocity is scaled by s(n) reads
//     u(n+3/2) = s(n)*u(n+1/2) + dt*a(n+1) = s(n)*w(n) + s(n)*dt*d(n) + dt*a(n+1),
// and the two agree exactly when
//     d(n+1) = a(n+1) + (s(n)/2) * d(n).
// With s = 1 (no thermostat) this is x(n+2) = 2x(n+1) - x(n) + dt^2 a(n+1): Stormer-Verlet, which
// conserves energy. The recursion needs a d(n) to start from; d = 2a makes the first step
// x' = x + dt*w + 2 dt^2 a, the same as an uncapped push-off step, so the two phases join without a
// jump.
//
// For slowly varying a the recursion settles at d = 2a; the plain choices d = a (forces felt at about
// half strength: an under-structured liquid) or d = 2a every step (a lagging force term that damps
// the motion and over-structures it) are each wrong by O(1).
//
// A start packed with overlaps (the generator's puts all atoms into one octant) has enormous first
// forces, so the push-off phase caps dt^2*|d| per atom at push_off_max_shift and lets the
// thermostat drain the energy released as the overlaps open up (without a thermostat, the
// push-off rescales to the target temperature all the same).
//
// Scaling multiplies every velocity, the drift of the whole box included. Nothing couples that
// drift to the atoms' relative motion, so energy can pile up in it at the expense of the
// temperature of the liquid (the "flying ice cube"), and the capped push-off, which does not
// conserve momentum, creates drift. Subtracting the centre-of-mass velocity before every step
// rules both out.
#pragma once

#include <cstdint>
#include <vector>

#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/random.hpp"
#include "pelzak/engine/state_point.hpp"

namespace pelzak::engine {

enum class Phase { push_off, equilibration, production };

struct System {
  StatePoint state;
  Derived derived;
  // Configuration arrays, 3N doubles each, all x then all y then all z.
  std::vector<double> positions;   // nm, never wrapped into the box
  std::vector<double> velocities;  // nm/ps
  std::vector<double> forces;      // N
  std::vector<double> drive;       // nm/ps^2, the term the step multiplies by dt^2
  std::vector<double> half_step;   // nm/ps: u(n-1/2) = (x(n) - x(n-1)) / dt of the step before
  bool have_half_step = false;
  double last_scale = 1.0;     // the factor the previous step's thermostat applied
  bool drive_started = false;  // the recursive driving term has its first value
  Random random{1};            // csvr's draws

  explicit System(const StatePoint& s);
};

// What a step measured.
struct StepReport {
  double potential = 0.0;    // J, of the positions the step started from (tail included)
  double kinetic = 0.0;      // J, of the mid-step velocities before the thermostat's factor
  double temperature = 0.0;  // K, from that kinetic energy over 3N degrees of freedom
  double scale = 1.0;        // the thermostat's factor
  // K, the kinetic temperature of the on-step velocities (u(n-1/2) + u(n+1/2)) / 2, where
  // u(n+1/2) = (x(n+1) - x(n)) / dt: the velocity velocity-Verlet codes report. 0 on a run's first
  // step.
  double on_step_temperature = 0.0;
  // With measure: the pressure and its tensor, Pa. P_ab = (m sum v_a v_b + W_ab) / V over the
  // on-step velocities v and the virial W of the positions the step starts from (both at time n);
  // P = (P_xx + P_yy + P_zz) / 3 plus the tail. Zero without measure.
  double pressure = 0.0;
  double pressure_tensor[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};  // xx, yy, zz, xy, xz, yz
};

// One step of a phase: the centre-of-mass velocity removed, forces and energy of the current
// positions, the driving term for the phase, the leapfrog step and the thermostat. `measure` also
// forms the pressure (the virial costs a little more).
StepReport step(System& s, PairForces& forces, Phase phase, bool measure);

// The thermostat's factor for a step whose mid-step velocities have kinetic energy `kinetic` (J)
// and temperature `temperature` (K), and whose on-step velocities have `on_step_kinetic` (0 when
// unknown, on a run's first step).
//   rescale  sqrt(T0 / T) from the mid-step temperature: the library's thermostat, exactly. Its
//            thermometer trails the on-step velocities, which then run warmer by about
//            2 (dt omega)^2 (omega the liquid's Einstein frequency): about 1 %, 95.4 K on-step at
//            94.4 K and 0.01 ps.
//   csvr     the canonical draw for the on-step kinetic energy, the one velocity-Verlet codes
//            (LAMMPS, GROMACS) report, so the run samples the canonical ensemble at T0.
//   none     1 in production (constant energy); the equilibration before it rescales the on-step
//            velocities to T0.
// The push-off always rescales the library's way: it drains the energy of the start's overlaps.
double thermostat_factor(System& s, Phase phase, double kinetic, double temperature, double on_step_kinetic);

}  // namespace pelzak::engine
