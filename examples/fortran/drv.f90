! Liquid argon on the pelzak_aux library: a complete simulation driver in Fortran.
!
! Reads the start "ar_simulation.dat" that pelzak_initial writes, eases its overlapping atoms apart
! (push-off), lets the liquid settle at 94.4 K (equilibration), and runs the 1000 production steps over
! which radial_dist samples g(r) and writes "rdf_argon.dat". A run that blows up says so on stderr and
! exits with status 3. Every model number comes from the module pelzak_model.
!
! The driving term. leapfrog(x, w, d) does, for every coordinate,
!     x' = x + dt w + dt**2 d,    v' = w + (dt/2) d,    then v' is rescaled by s = sqrt(94.4 K / T).
! Positions feel dt**2 d but velocities only (dt/2) d, so no fixed multiple of the acceleration a = F/m
! is a proper integrator. With d = a the atoms feel about half the force they should (the liquid comes
! out loose: first peak of g(r) 2.49 instead of 2.74); with d = 2a every step the force acts with a lag
! that damps the motion (peak 3.04). Asking that the positions follow leapfrog-Verlet whose half-step
! velocity is rescaled by s gives the recursion
!     d(n+1) = a(n+1) + (s(n)/2) d(n),        started with d = 2a,
! with s(n) the factor the previous step applied. With s = 1 it is x(n+2) = 2 x(n+1) - x(n) + dt**2 a(n+1),
! Stormer-Verlet, which conserves energy.
!
! The push-off. pelzak_initial puts all 864 atoms into one octant of the box, many pairs deep inside each
! other's repulsive core. Their first forces would throw atoms across the box in one step (and the energy
! to NaN a few steps later). So for the first steps d = 2a is shortened per atom, direction kept, to move
! no atom more than 0.005 nm per step, while the rescaling drains the energy this releases.
!
! The drift. Rescaling multiplies every velocity, the motion of the whole box included, and the capped
! push-off does not conserve momentum. The mean velocity is taken out before every step, or energy can
! pile up in the drift at the expense of the liquid's temperature.
program md
  use, intrinsic :: iso_c_binding, only: c_double, c_int64_t
  use, intrinsic :: iso_fortran_env, only: error_unit
  use, intrinsic :: ieee_arithmetic, only: ieee_is_finite
  use auxiliary
  use pelzak_model
  implicit none

  integer, parameter :: push_off_steps = 500, equilibration_steps = 1500
  integer, parameter :: production_steps = pelzak_output_step
  ! Push-off cap on |d| per atom, nm/ps**2: a shift of at most 0.005 nm (1.5 % of sigma) per step.
  real(c_double), parameter :: max_drive = 0.005_c_double / pelzak_dt_sq

  real(c_double) :: x(pelzak_atoms, 3)  ! positions, nm
  real(c_double) :: v(pelzak_atoms, 3)  ! velocities, nm/ps
  real(c_double) :: f(pelzak_atoms, 3)  ! forces, N
  real(c_double) :: d(pelzak_atoms, 3)  ! driving term, nm/ps**2
  real(c_double) :: histogram(pelzak_bins)
  real(c_double) :: potential, kinetic, temperature, scale, potential_sum, temperature_sum
  integer(c_int64_t) :: step
  integer :: n, unit, status

  ! A run that stops early must not leave an old g(r) looking new.
  open (newunit=unit, file="rdf_argon.dat", status="old", iostat=status)
  if (status == 0) close (unit, status="delete")
  call read_file(x, v)

  do n = 1, push_off_steps
    call remove_drift()
    potential = 0  ! force_atoms adds to it: 0 gives the energy of the positions alone
    call force_atoms(x, f, potential)
    call push_off_drive()
    call leapfrog(x, v, d, kinetic, temperature)
    call stop_if_blown_up("push-off", n)
  end do

  ! Equilibration, then production: one run of the recursion, g(r) sampled in the last 1000 steps.
  scale = 1
  potential_sum = 0
  temperature_sum = 0
  do n = 1, equilibration_steps + production_steps
    step = n - equilibration_steps  ! the sampler's step, 1 to 1000
    call remove_drift()
    potential = 0
    call force_atoms(x, f, potential)
    if (step >= 1) call radial_dist(step, x, histogram)
    if (n == 1) then
      d = 2.0_c_double * (f * pelzak_accel_per_newton)
    else
      ! The exact leapfrog-Verlet driving term d = a + (s/2) d, with a = F/m in nm/ps**2.
      d = f * pelzak_accel_per_newton + (0.5_c_double * scale) * d
    end if
    call leapfrog(x, v, d, kinetic, temperature)
    if (step >= 1) then
      call stop_if_blown_up("production", int(step))
    else
      call stop_if_blown_up("equilibration", n)
    end if
    scale = sqrt(pelzak_target_temperature / temperature)
    if (step >= 1) then
      potential_sum = potential_sum + potential
      temperature_sum = temperature_sum + temperature
    end if
  end do

  write (*, '(a, f0.2, a, f0.4, a)') "md_fortran: mean temperature ", temperature_sum / production_steps, &
    " K, mean potential energy ", potential_sum / production_steps / (pelzak_atoms * pelzak_epsilon), &
    " eps per atom; g(r) in rdf_argon.dat"

contains

  subroutine remove_drift()
    real(c_double) :: total, mean
    integer :: i, k
    do k = 1, 3
      total = 0
      do i = 1, pelzak_atoms
        total = total + v(i, k)
      end do
      mean = total / pelzak_atoms
      v(:, k) = v(:, k) - mean
    end do
  end subroutine remove_drift

  ! d = 2a, a = F/m in nm/ps**2 (pelzak_accel_per_newton = 1e-15 / m turns newtons into nm/ps**2),
  ! each atom's vector shortened to at most max_drive. Infinite forces give NaN: a blow-up.
  subroutine push_off_drive()
    real(c_double) :: dsq
    integer :: i
    d = 2.0_c_double * (f * pelzak_accel_per_newton)
    do i = 1, pelzak_atoms
      dsq = d(i, 1) * d(i, 1) + d(i, 2) * d(i, 2) + d(i, 3) * d(i, 3)
      if (dsq > max_drive * max_drive) d(i, :) = d(i, :) * (max_drive / sqrt(dsq))
    end do
  end subroutine push_off_drive

  subroutine stop_if_blown_up(phase, n)
    character(*), intent(in) :: phase
    integer, intent(in) :: n
    if (ieee_is_finite(potential) .and. ieee_is_finite(kinetic) .and. ieee_is_finite(temperature)) return
    write (error_unit, "(a, a, a, i0, a, g0, a, g0, a, g0, a)") "md_fortran: the run blew up in ", &
      phase, " step ", n, ": potential energy ", potential, " J, kinetic energy ", kinetic, &
      " J, temperature ", temperature, " K"
    stop 3, quiet=.true.
  end subroutine stop_if_blown_up

end program md
