// The spectrum of the atomic motion: the cosine transform of the normalised VACF psi(t),
//     G(nu) = 4 * integral_0^T psi(t) w(t) cos(2 pi nu t) dt,   w(t) = (1 + cos(pi t / T)) / 2,
// which for a VACF that has decayed well before T is the density of vibrational states per unit
// frequency: its area over nu >= 0 is psi(0) w(0) = 1 (the 4 turns the one-sided integrals over t
// and nu into the full Fourier pair), and G(0) = 4 * integral psi w dt, close to 12 D / <v^2>.
// The Hann taper w brings the VACF smoothly to zero at the last lag T: cut off sharply, its noisy
// tail would ripple the spectrum by a few per cent with a period of 1/T, enough to move the maximum
// of a broad peak by a tenth of a THz. Frequencies in cycles per time unit: THz for times in ps.
#pragma once

#include <vector>

namespace pelzak::analysis {

struct Spectrum {
  std::vector<double> frequency;  // nu_j = j * step
  std::vector<double> density;    // G(nu_j)
};

// G on the grid nu_j = j * step, j = 0 .. count - 1, by the trapezoid rule over the values of psi
// spaced frame_time apart, T the last lag (a direct sum, once at the end of a run: lags * count
// cosines).
Spectrum vacf_spectrum(const std::vector<double>& psi, double frame_time, double step, int count);

}  // namespace pelzak::analysis
