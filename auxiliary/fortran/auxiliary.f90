! Fortran interface to the pelzak_aux library: module auxiliary.
!
! Compile this file with your driver; "use auxiliary" then gives the four routines with their
! usual argument lists, bound to the library's link names, every argument by address:
!
!   gfortran -c auxiliary.f90
!   gfortran driver.f90 auxiliary.o -L<libdir> -lpelzak_aux -lm
!
! Configuration arrays are real(8) (864, 3): atom index first, then the axis x, y, z.
! Positions in nm, velocities in nm/ps, forces in N; energies in J, temperature in K.
module auxiliary
  use, intrinsic :: iso_c_binding, only: c_double, c_int64_t
  implicit none
  private
  public :: read_file, force_atoms, leapfrog, radial_dist

  interface
    ! Reads "ar_simulation.dat" from the working directory into positions and velocities.
    subroutine read_file(positions, velocities) bind(c, name="__auxiliary_MOD_read_file")
      import :: c_double
      real(c_double), intent(out) :: positions(864, 3), velocities(864, 3)
    end subroutine read_file

    ! Lennard-Jones forces; energy becomes 4 eps * (energy + pair sum): pass 0 for the
    ! potential energy of the positions alone.
    subroutine force_atoms(positions, forces, energy) bind(c, name="__auxiliary_MOD_force_atoms")
      import :: c_double
      real(c_double), intent(in) :: positions(864, 3)
      real(c_double), intent(out) :: forces(864, 3)
      real(c_double), intent(inout) :: energy
    end subroutine force_atoms

    ! One 0.01 ps step: positions += dt v + dt**2 driving, kinetic energy and temperature of
    ! the mid-step velocities, then the velocities rescaled to 94.4 K.
    subroutine leapfrog(positions, velocities, driving, kinetic, temperature) &
        bind(c, name="__auxiliary_MOD_leapfrog")
      import :: c_double
      real(c_double), intent(inout) :: positions(864, 3), velocities(864, 3)
      real(c_double), intent(in) :: driving(864, 3)
      real(c_double), intent(out) :: kinetic, temperature
    end subroutine leapfrog

    ! g(r): step 1 opens "rdf_argon.dat" and clears the histogram, steps 1, 21, ..., 981
    ! sample, step 1000 writes the 200 lines.
    subroutine radial_dist(step, positions, histogram) bind(c, name="__auxiliary_MOD_radial_dist")
      import :: c_double, c_int64_t
      integer(c_int64_t), intent(in) :: step
      real(c_double), intent(in) :: positions(864, 3)
      real(c_double), intent(inout) :: histogram(200)
    end subroutine radial_dist
  end interface
end module auxiliary
