! Fortran interface to the pelzak_aux library: module auxiliary.
!
! "use auxiliary" gives the four routines with their usual argument lists, bound to the library's
! link names, every argument by address; "use pelzak_model" gives the model's numbers. The
! installed package holds both modules compiled by its gfortran (pkg-config --cflags pelzak_aux
! puts them on the include path); with another compiler, compile the two sources first:
!
!   gfortran -c pelzak_model.f90 auxiliary.f90
!   gfortran driver.f90 -L<libdir> -lpelzak_aux -lm
!
! Configuration arrays are real(8) (pelzak_atoms, 3): atom index first, then the axis x, y, z.
! Positions in nm, velocities in nm/ps, forces in N; energies in J, temperature in K.
module auxiliary
  use, intrinsic :: iso_c_binding, only: c_double, c_int64_t
  use pelzak_model, only: pelzak_atoms, pelzak_bins
  implicit none
  private
  public :: read_file, force_atoms, leapfrog, radial_dist

  interface
    ! Reads "ar_simulation.dat" from the working directory into positions and velocities.
    subroutine read_file(positions, velocities) bind(c, name="__auxiliary_MOD_read_file")
      import :: c_double, pelzak_atoms
      real(c_double), intent(out) :: positions(pelzak_atoms, 3), velocities(pelzak_atoms, 3)
    end subroutine read_file

    ! Lennard-Jones forces; energy becomes 4 eps * (energy + pair sum): pass 0 for the
    ! potential energy of the positions alone.
    subroutine force_atoms(positions, forces, energy) bind(c, name="__auxiliary_MOD_force_atoms")
      import :: c_double, pelzak_atoms
      real(c_double), intent(in) :: positions(pelzak_atoms, 3)
      real(c_double), intent(out) :: forces(pelzak_atoms, 3)
      real(c_double), intent(inout) :: energy
    end subroutine force_atoms

    ! One 0.01 ps step: positions += dt v + dt**2 driving, kinetic energy and temperature of
    ! the mid-step velocities, then the velocities rescaled to 94.4 K.
    subroutine leapfrog(positions, velocities, driving, kinetic, temperature) &
        bind(c, name="__auxiliary_MOD_leapfrog")
      import :: c_double, pelzak_atoms
      real(c_double), intent(inout) :: positions(pelzak_atoms, 3), velocities(pelzak_atoms, 3)
      real(c_double), intent(in) :: driving(pelzak_atoms, 3)
      real(c_double), intent(out) :: kinetic, temperature
    end subroutine leapfrog

    ! g(r): step 1 opens "rdf_argon.dat" and clears the histogram, steps 1, 21, ..., 981
    ! sample, step 1000 writes the 200 lines.
    subroutine radial_dist(step, positions, histogram) bind(c, name="__auxiliary_MOD_radial_dist")
      import :: c_double, c_int64_t, pelzak_atoms, pelzak_bins
      integer(c_int64_t), intent(in) :: step
      real(c_double), intent(in) :: positions(pelzak_atoms, 3)
      real(c_double), intent(inout) :: histogram(pelzak_bins)
    end subroutine radial_dist
  end interface
end module auxiliary
