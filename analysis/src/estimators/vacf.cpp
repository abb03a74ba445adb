#include "pelzak/analysis/vacf.hpp"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelzak::analysis {

struct VacfTransforms {
  int n = 0;                         // 2M points
  double* series = nullptr;          // n reals: one coordinate of a window, zero-padded
  fftw_complex* spectrum = nullptr;  // n/2 + 1 = M + 1 values: its transform
  fftw_complex* cross = nullptr;     // the products summed over coordinates
  fftw_complex* scratch = nullptr;   // copy of cross for the inverse, which overwrites its input
  double* correlation = nullptr;     // n reals: the inverse
  fftw_plan forward = nullptr;
  fftw_plan inverse = nullptr;

  ~VacfTransforms() {
    if (forward) fftw_destroy_plan(forward);
    if (inverse) fftw_destroy_plan(inverse);
    fftw_free(series);
    fftw_free(spectrum);
    fftw_free(cross);
    fftw_free(scratch);
    fftw_free(correlation);
  }
};

VacfAccumulator::VacfAccumulator() = default;
VacfAccumulator::~VacfAccumulator() = default;
VacfAccumulator::VacfAccumulator(VacfAccumulator&&) noexcept = default;
VacfAccumulator& VacfAccumulator::operator=(VacfAccumulator&&) noexcept = default;

namespace {

// (1/3) of the trapezoid integral of c over lags 0 .. count-1.
double green_kubo(const double* c, int count, double frame_time) {
  if (count < 2) return std::numeric_limits<double>::quiet_NaN();
  double inner = 0.0;
  for (int t = 1; t < count - 1; ++t) inner += c[t];
  return frame_time * (0.5 * c[0] + inner + 0.5 * c[count - 1]) / 3.0;
}

// The correlation sums of the window before the current one, from the summed cross spectrum.
// complete: that window and the one after it were full, so every lag had M origins in it.
void emit_window(VacfAccumulator& acc, bool complete) {
  VacfTransforms& f = *acc.transforms;
  const int m = acc.window;
  std::copy(&f.cross[0][0], &f.cross[0][0] + 2 * (m + 1), &f.scratch[0][0]);
  fftw_execute_dft_c2r(f.inverse, f.scratch, f.correlation);
  // FFTW's inverse is unnormalised: it returns n times the correlation.
  const double n = static_cast<double>(f.n);
  for (int t = 0; t < m; ++t) {
    const double c = f.correlation[t] / n;
    acc.sum[t] += c;
    if (acc.settings.windows_per_block > 0) acc.block_sum[t] += c;
  }
  if (acc.settings.windows_per_block == 0) return;
  if (!complete) return;
  if (++acc.block_windows < acc.settings.windows_per_block) return;
  const double origins = static_cast<double>(acc.settings.atoms) * acc.settings.windows_per_block * m;
  std::vector<double> c(m);
  for (int t = 0; t < m; ++t) c[t] = acc.block_sum[t] / origins;
  block_add(acc.diffusion_blocks, green_kubo(c.data(), m, acc.settings.frame_time));
  std::fill(acc.block_sum.begin(), acc.block_sum.end(), 0.0);
  acc.block_windows = 0;
}

// Transforms the current window (its `filled` frames, zero-padded to 2M), pairs the previous window
// with it, and keeps its transforms for pairing with the next. complete: the window is full.
void take_window(VacfAccumulator& acc, bool complete) {
  VacfTransforms& f = *acc.transforms;
  const int m = acc.window;
  const int coordinates = 3 * acc.settings.atoms;
  std::fill(&f.cross[0][0], &f.cross[0][0] + 2 * (m + 1), 0.0);
  std::fill(f.series + acc.filled, f.series + f.n, 0.0);
  for (int c = 0; c < coordinates; ++c) {
    for (int t = 0; t < acc.filled; ++t) f.series[t] = acc.current[static_cast<size_t>(t) * coordinates + c];
    fftw_execute_dft_r2c(f.forward, f.series, f.spectrum);
    double* prev = acc.previous_spectra.data() + static_cast<size_t>(c) * 2 * (m + 1);
    if (acc.have_previous) {
      // conj(P) * (P + (-1)^k X): window w against w followed by w + 1.
      for (int k = 0; k <= m; ++k) {
        const double sign = (k % 2 == 0) ? 1.0 : -1.0;
        const double yr = prev[2 * k] + sign * f.spectrum[k][0];
        const double yi = prev[2 * k + 1] + sign * f.spectrum[k][1];
        f.cross[k][0] += prev[2 * k] * yr + prev[2 * k + 1] * yi;
        f.cross[k][1] += prev[2 * k] * yi - prev[2 * k + 1] * yr;
      }
    }
    std::copy(&f.spectrum[0][0], &f.spectrum[0][0] + 2 * (m + 1), prev);
  }
  if (acc.have_previous) emit_window(acc, complete);
  acc.have_previous = true;
  acc.filled = 0;
}

// The last window has no successor: its correlation with itself alone.
void take_last(VacfAccumulator& acc) {
  VacfTransforms& f = *acc.transforms;
  const int m = acc.window;
  const int coordinates = 3 * acc.settings.atoms;
  std::fill(&f.cross[0][0], &f.cross[0][0] + 2 * (m + 1), 0.0);
  for (int c = 0; c < coordinates; ++c) {
    const double* prev = acc.previous_spectra.data() + static_cast<size_t>(c) * 2 * (m + 1);
    for (int k = 0; k <= m; ++k)
      f.cross[k][0] += prev[2 * k] * prev[2 * k] + prev[2 * k + 1] * prev[2 * k + 1];
  }
  emit_window(acc, false);
  acc.have_previous = false;
}

}  // namespace

bool vacf_start(VacfAccumulator& acc, const VacfSettings& s, std::string* problem) {
  acc = VacfAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (s.atoms < 1) return *problem = "the VACF needs at least one atom", false;
  if (!(s.frame_time > 0.0) || !std::isfinite(s.frame_time))
    return *problem = "the time between frames must be positive", false;
  if (s.max_lag < 1 || s.windows_per_block < 0)
    return *problem = "the VACF needs a longest lag of at least one frame", false;
  acc.settings = s;
  const int m = s.max_lag + 1;
  acc.window = m;
  const size_t coordinates = 3 * static_cast<size_t>(s.atoms);
  acc.current.assign(coordinates * m, 0.0);
  acc.previous_spectra.assign(coordinates * 2 * (m + 1), 0.0);
  acc.sum.assign(m, 0.0);
  acc.block_sum.assign(m, 0.0);

  acc.transforms = std::make_unique<VacfTransforms>();
  VacfTransforms& f = *acc.transforms;
  f.n = 2 * m;
  f.series = fftw_alloc_real(f.n);
  f.correlation = fftw_alloc_real(f.n);
  f.spectrum = fftw_alloc_complex(m + 1);
  f.cross = fftw_alloc_complex(m + 1);
  f.scratch = fftw_alloc_complex(m + 1);
  if (f.series && f.correlation && f.spectrum && f.cross && f.scratch) {
    f.forward = fftw_plan_dft_r2c_1d(f.n, f.series, f.spectrum, FFTW_ESTIMATE);
    f.inverse = fftw_plan_dft_c2r_1d(f.n, f.scratch, f.correlation, FFTW_ESTIMATE);
  }
  if (!f.forward || !f.inverse) {
    acc.transforms.reset();
    return *problem = "cannot plan the VACF's Fourier transforms (out of memory)", false;
  }
  return true;
}

void vacf_add_frame(VacfAccumulator& acc, const double* velocities) {
  if (acc.finished || !acc.transforms) return;
  const int m = acc.window;
  const int coordinates = 3 * acc.settings.atoms;
  std::copy(velocities, velocities + coordinates,
            acc.current.begin() + static_cast<size_t>(acc.filled) * coordinates);
  ++acc.frames;
  if (++acc.filled == m) take_window(acc, true);
}

const VacfResult& vacf_finish(VacfAccumulator& acc) {
  if (acc.finished || !acc.transforms) return acc.result;
  acc.finished = true;
  if (acc.filled > 0) take_window(acc, false);
  if (acc.have_previous) take_last(acc);

  VacfResult& r = acc.result;
  const long long lags = std::min<long long>(acc.window, acc.frames);
  for (int t = 0; t < lags; ++t) {
    const double origins = static_cast<double>(acc.settings.atoms) * static_cast<double>(acc.frames - t);
    r.time.push_back(t * acc.settings.frame_time);
    r.vacf.push_back(acc.sum[t] / origins);
  }
  for (double c : r.vacf) r.normalised.push_back(c / r.vacf[0]);
  r.diffusion = green_kubo(r.vacf.data(), static_cast<int>(r.vacf.size()), acc.settings.frame_time);
  r.diffusion_error = block_standard_error(acc.diffusion_blocks);
  if (acc.settings.windows_per_block > 0)
    r.error_needs = 2.0 * acc.settings.windows_per_block * acc.window * acc.settings.frame_time;
  r.blocks = acc.diffusion_blocks.count;
  return r;
}

}  // namespace pelzak::analysis
