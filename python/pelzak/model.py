"""The numbers of the liquid-argon model, as the compiled library uses them.

Read from the library's own header (pelzak_model.h), so they are the very doubles the routines
multiply by. Units: nm, ps, nm/ps, J, N, K, kg.

    atoms, bins             864 atoms; 200 bins of g(r)
    box, sigma              box side L and Lennard-Jones sigma, nm
    cutoff, cutoff_sq       2.25 sigma, nm, and its square, nm^2
    four_eps, epsilon       4 eps and eps, J
    force_factor            24 eps 1e9 (times 1/r in nm gives newtons)
    mass, boltzmann         argon mass, kg; Boltzmann constant, J/K
    kinetic_factor          0.5 m 1e6: sum of squared nm/ps to J
    temperature_divisor     1.5 N kB, J/K
    accel_per_newton        1e-15 / m: newtons to nm/ps^2 for one atom
    target_temperature      94.4 K
    dt, dt_sq, two_dt       time step (single-precision 0.01 widened), ps; its square; twice it
    density                 N / L^3, nm^-3
    bin_width               L / 400, nm
    pi, four_thirds         the doubles the shell volumes of g(r) use
    sample_every            g(r) samples at steps 1, 21, 41, ...
    output_step             the step that writes g(r) (1000)
    samples                 samples behind the written g(r) (50.0)
"""
from . import _routines

_numbers = {name: getattr(_routines._model, name) for name in dir(_routines._model) if not name.startswith("_")}
globals().update(_numbers)
__all__ = sorted(_numbers)
del _numbers
