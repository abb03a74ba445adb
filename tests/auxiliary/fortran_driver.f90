! A plain Fortran simulation driver: reads "ar_simulation.dat", runs 1000 steps at 94.4 K and
! leaves g(r) in "rdf_argon.dat". It knows the library only through "use auxiliary".
program fortran_driver
  use auxiliary
  implicit none
  integer, parameter :: dp = kind(1.0d0)
  ! Forces come in newtons; the step wants nm/ps**2: a = F / m and 1 m/s**2 = 1e-15 nm/ps**2.
  real(dp), parameter :: mass = 6.633520874944591d-26
  real(dp) :: r(864, 3), v(864, 3), f(864, 3), a(864, 3), hist(200)
  real(dp) :: energy, kinetic, temperature
  integer(8) :: step

  call read_file(r, v)
  do step = 1, 1000
    energy = 0.0_dp
    call force_atoms(r, f, energy)
    a = f * (1.0d-15 / mass)
    call leapfrog(r, v, a, kinetic, temperature)
    call radial_dist(step, r, hist)
  end do
  print '(a, es14.6, a, f8.3, a)', 'potential energy ', energy, ' J, temperature ', temperature, ' K'
end program fortran_driver
