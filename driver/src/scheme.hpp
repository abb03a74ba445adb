// The driving term the driver hands to the library's step, and the centre-of-mass correction.
//
// The step, for every coordinate, with x the position, w the velocity passed in and d the driving term:
//     x' = x + dt*w + dt^2*d                       (nm)
//     v' = w + (dt/2)*d                            (nm/ps)
//     T  from the mean (w + v')/2, then w_next = s*v' with s = sqrt(94.4 K / T).
// Positions gain dt^2*d but velocities only (dt/2)*d, so no constant multiple of the acceleration
// a = F/m makes it a proper integrator. Write u(n+1/2) = (x(n+1) - x(n))/dt = w(n) + dt*d(n) for the
// displacement velocity of step n. Then
//     u(n+3/2) = w(n+1) + dt*d(n+1) = s(n)*w(n) + s(n)*(dt/2)*d(n) + dt*d(n+1).
// Leapfrog-Verlet whose half-step velocity is rescaled by s(n) reads
//     u(n+3/2) = s(n)*u(n+1/2) + dt*a(n+1) = s(n)*w(n) + s(n)*dt*d(n) + dt*a(n+1),
// and the two agree exactly when
//     d(n+1) = a(n+1) + (s(n)/2) * d(n).
// With s = 1 this is x(n+2) = 2x(n+1) - x(n) + dt^2 a(n+1): Stormer-Verlet, which conserves energy.
// The recursion needs a d(n) to start from; d = 2a makes the first step x' = x + dt*w + 2 dt^2 a,
// the same as an uncapped push-off step, so the two phases join without a jump.
//
// For slowly varying a the recursion settles at d = 2a; the plain choices d = a (forces felt at about
// half strength: an under-structured liquid) or d = 2a every step (a lagging force term that damps
// the motion and over-structures it) are each wrong by O(1).
//
// The generator's start packs all atoms into one octant with heavy overlaps: the first forces are
// enormous, so the push-off phase caps dt^2*|d| per atom at push_off_max_shift and lets the
// rescaling drain the energy released as the overlaps open up.
//
// Rescaling multiplies every velocity, the drift of the whole box included. Nothing couples that drift
// to the atoms' relative motion, so energy can pile up in it at the expense of the temperature of the
// liquid (the "flying ice cube"), and the capped push-off, which does not conserve momentum, creates
// drift. Subtracting the centre-of-mass velocity before every step rules both out.
#pragma once

namespace pelzak::md {

// Subtracts the mean velocity per axis (all atoms have the same mass) from a configuration array.
void remove_com_velocity(double* velocities);

// Push-off driving term: d = 2a with a = F/m in nm/ps^2, each atom's vector shortened (its direction
// kept) so that dt^2 |d| <= push_off_max_shift. Non-finite forces give non-finite terms.
void push_off_drive(const double* forces, double* drive);

// First term of the recursive phase: d = 2a.
void start_drive(const double* forces, double* drive);

// Next term of the recursion: d <- a + (scale/2) * d, where scale is the rescaling factor the
// previous step applied (rescale_factor of the temperature it returned).
void recursive_drive(const double* forces, double scale, double* drive);

// The factor the step multiplies the velocities by for a returned temperature: sqrt(94.4 K / T).
double rescale_factor(double temperature);

}  // namespace pelzak::md
