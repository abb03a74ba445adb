! A plain Fortran simulation driver: reads "ar_simulation.dat", runs 1000 steps at 94.4 K and
! leaves g(r) in "rdf_argon.dat". It knows the library only through "use auxiliary".
program fortran_driver
  use auxiliary
  use pelzak_model
  implicit none
  integer, parameter :: dp = kind(1.0d0)
  real(dp) :: r(pelzak_atoms, 3), v(pelzak_atoms, 3), f(pelzak_atoms, 3), a(pelzak_atoms, 3)
  real(dp) :: hist(pelzak_bins)
  real(dp) :: energy, kinetic, temperature
  integer(8) :: step

  call read_file(r, v)
  do step = 1, 1000
    energy = 0.0_dp
    call force_atoms(r, f, energy)
    a = f * pelzak_accel_per_newton  ! newtons to nm/ps**2
    call leapfrog(r, v, a, kinetic, temperature)
    call radial_dist(step, r, hist)
  end do
  print '(a, es14.6, a, f8.3, a)', 'potential energy ', energy, ' J, temperature ', temperature, ' K'
end program fortran_driver
