// One-dimensional Maxwell-Boltzmann density of a velocity component.
#pragma once

namespace pelzak::initial {

// f(v) = sqrt(m / (2 pi kB T)) exp(-m v^2 / (2 kB T)), in s/m for v in m/s, m in kg, T in K.
double prob(double v, double mass, double temperature);

}  // namespace pelzak::initial
