#include <algorithm>
#include <cmath>
#include <numbers>

#include "estimators/lanes.hpp"
#include "estimators/sine.hpp"
#include "pelzak/analysis/structure_factor.hpp"

namespace pelzak::analysis {

namespace {

// Beyond this many box-allowed wave numbers on an axis the phase tables alone would take
// 6 (n_max + 1) N doubles: far past any use of S(k) on a liquid (n = 256 is k = 460 nm^-1 in the
// toolkit's box, where S = 1).
constexpr int n_limit = 256;

enum Part { re = 0, im = 1 };

double* phase(StructureFactorAccumulator& acc, int axis, int n, Part part) {
  return acc.phases.data() + ((static_cast<size_t>(axis) * (acc.n_max + 1) + n) * 2 + part) * acc.padded;
}

// The axis's phase factors exp(i n k_unit x_j), n = 0 .. n_max: cos and sin for n = 1, then each n from
// the one before by a complex product. The padding atoms get 0, so that they add nothing.
void axis_phases(StructureFactorAccumulator& acc, int axis, const double* x) {
  const int atoms = acc.settings.atoms;
  const int p = acc.padded;
  double* re0 = phase(acc, axis, 0, re);
  double* im0 = phase(acc, axis, 0, im);
  double* re1 = phase(acc, axis, 1, re);
  double* im1 = phase(acc, axis, 1, im);
  for (int j = 0; j < p; ++j) {
    re0[j] = j < atoms ? 1.0 : 0.0;
    im0[j] = 0.0;
  }
  for (int i = 0; i < p; i += lane_count) {
    Lanes angle, s, c;
    for (int l = 0; l < lane_count; ++l) angle[l] = i + l < atoms ? acc.k_unit * x[i + l] : 0.0;
    sine_cosine(angle, &s, &c);
    for (int l = 0; l < lane_count; ++l) {
      re1[i + l] = i + l < atoms ? c[l] : 0.0;
      im1[i + l] = i + l < atoms ? s[l] : 0.0;
    }
  }
  for (int n = 2; n <= acc.n_max; ++n) {
    const double* a_re = phase(acc, axis, n - 1, re);
    const double* a_im = phase(acc, axis, n - 1, im);
    double* b_re = phase(acc, axis, n, re);
    double* b_im = phase(acc, axis, n, im);
    for (int j = 0; j < p; ++j) {
      b_re[j] = a_re[j] * re1[j] - a_im[j] * im1[j];
      b_im[j] = a_re[j] * im1[j] + a_im[j] * re1[j];
    }
  }
}

// The column's factors exp(i (n_x k_unit x_j + n_y k_unit y_j)), exp(-i t) being the conjugate of
// exp(i t).
void column_phases(StructureFactorAccumulator& acc, int nx, int ny) {
  const int p = acc.padded;
  const double sign = ny < 0 ? -1.0 : 1.0;
  const double* x_re = phase(acc, 0, nx, re);
  const double* x_im = phase(acc, 0, nx, im);
  const double* y_re = phase(acc, 1, std::abs(ny), re);
  const double* y_im = phase(acc, 1, std::abs(ny), im);
  double* c_re = acc.column.data();
  double* c_im = acc.column.data() + p;
  for (int j = 0; j < p; ++j) {
    const double b_im = sign * y_im[j];
    c_re[j] = x_re[j] * y_re[j] - x_im[j] * b_im;
    c_im[j] = x_re[j] * b_im + x_im[j] * y_re[j];
  }
}

// |sum_j exp(i k . r_j)|^2 for the column in hand and n_z, the atom sum in the fixed lanes.
double density_mode_squared(StructureFactorAccumulator& acc, int nz) {
  const int p = acc.padded;
  const double sign = nz < 0 ? -1.0 : 1.0;
  const double* a_re = acc.column.data();
  const double* a_im = acc.column.data() + p;
  const double* z_re = phase(acc, 2, std::abs(nz), re);
  const double* z_im = phase(acc, 2, std::abs(nz), im);
  Lanes sum_re = {}, sum_im = {};
  for (int i = 0; i < p; i += lane_count) {
    Lanes ar, ai, br, bi;
    load_lanes(a_re + i, &ar);
    load_lanes(a_im + i, &ai);
    load_lanes(z_re + i, &br);
    load_lanes(z_im + i, &bi);
    bi *= sign;
    sum_re += ar * br - ai * bi;
    sum_im += ar * bi + ai * br;
  }
  const double rho_re = lane_total(sum_re);
  const double rho_im = lane_total(sum_im);
  return rho_re * rho_re + rho_im * rho_im;
}

}  // namespace

bool structure_factor_start(StructureFactorAccumulator& acc, const StructureFactorSettings& s,
                            std::string* problem) {
  acc = StructureFactorAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (s.atoms < 1) return *problem = "S(k) needs at least one atom", false;
  if (!(s.box > 0.0) || !std::isfinite(s.box)) return *problem = "S(k) needs a positive box side", false;
  if (!(s.shell_width >= 0.0) || !std::isfinite(s.shell_width) || s.vectors_per_shell < 0 ||
      s.samples_per_block < 0)
    return *problem =
               "S(k) needs a shell width, vectors per shell and samples per block that are not negative",
           false;
  const double k_unit = (2.0 * std::numbers::pi) / s.box;
  if (!(s.k_max >= k_unit) || !(s.k_max / k_unit <= n_limit))
    return *problem = "S(k) needs a k_max of at least 2 pi / L and at most " + std::to_string(n_limit) +
                      " times that",
           false;
  acc.settings = s;
  acc.k_unit = k_unit;
  acc.n_max = static_cast<int>(s.k_max / k_unit);
  acc.padded = padded_count(s.atoms);
  // Shell b holds |n| * k_unit / width in [b, b + 1); with the default width the ratio is exactly 1
  // and the edges fall on whole |n|, exactly.
  const double ratio = s.shell_width > 0.0 ? k_unit / s.shell_width : 1.0;

  // Every vector of the half space within k_max, in the order stated, with its length: counted per
  // shell first, then chosen.
  const int m = acc.n_max;
  auto each_vector = [&](auto&& take) {
    for (int nx = 0; nx <= m; ++nx)
      for (int ny = (nx == 0 ? 0 : -m); ny <= m; ++ny)
        for (int nz = (nx == 0 && ny == 0 ? 1 : -m); nz <= m; ++nz) {
          const double length = std::sqrt(static_cast<double>(nx * nx + ny * ny + nz * nz));
          if (k_unit * length <= s.k_max) take(nx, ny, nz, static_cast<int>(length * ratio), k_unit * length);
        }
  };
  std::vector<long long> in_shell;
  each_vector([&](int, int, int, int shell, double) {
    if (shell >= static_cast<int>(in_shell.size())) in_shell.resize(shell + 1, 0);
    ++in_shell[shell];
  });
  acc.shells = static_cast<int>(in_shell.size());

  // A shell with more than the cap keeps vector i of its c exactly when floor((i + 1) cap / c) passes a
  // whole number: cap of them, evenly spread along the order.
  acc.shell_vectors.assign(acc.shells, 0);
  acc.shell_k.assign(acc.shells, 0.0);
  std::vector<long long> seen(acc.shells, 0);
  const long long cap = s.vectors_per_shell;
  each_vector([&](int nx, int ny, int nz, int shell, double k) {
    const long long i = seen[shell]++;
    const long long total = in_shell[shell];
    if (cap > 0 && total > cap && (i + 1) * cap / total == i * cap / total) return;
    acc.vector_n.insert(acc.vector_n.end(), {nx, ny, nz});
    acc.vector_shell.push_back(shell);
    ++acc.shell_vectors[shell];
    acc.shell_k[shell] += k;
  });
  for (int b = 0; b < acc.shells; ++b)
    if (acc.shell_vectors[b] > 0) acc.shell_k[b] /= acc.shell_vectors[b];

  acc.phases.assign(3 * static_cast<size_t>(m + 1) * 2 * acc.padded, 0.0);
  acc.column.assign(2 * static_cast<size_t>(acc.padded), 0.0);
  acc.sample_sum.assign(acc.shells, 0.0);
  acc.sum.assign(acc.shells, 0.0);
  acc.block_sum.assign(acc.shells, 0.0);
  acc.blocks.assign(s.samples_per_block > 0 ? acc.shells : 0, BlockStats{});
  return true;
}

void structure_factor_add_frame(StructureFactorAccumulator& acc, const double* positions) {
  if (acc.shells == 0) return;  // not started, or its settings were refused
  const StructureFactorSettings& s = acc.settings;
  for (int axis = 0; axis < 3; ++axis)
    axis_phases(acc, axis, positions + axis * static_cast<size_t>(s.atoms));
  std::fill(acc.sample_sum.begin(), acc.sample_sum.end(), 0.0);
  const double atoms = static_cast<double>(s.atoms);
  int column_x = -1, column_y = 0;
  for (size_t v = 0; v < acc.vector_shell.size(); ++v) {
    const int nx = acc.vector_n[3 * v], ny = acc.vector_n[3 * v + 1], nz = acc.vector_n[3 * v + 2];
    if (nx != column_x || ny != column_y) {
      column_phases(acc, nx, ny);
      column_x = nx;
      column_y = ny;
    }
    acc.sample_sum[acc.vector_shell[v]] += density_mode_squared(acc, nz) / atoms;
  }
  ++acc.samples;
  for (int b = 0; b < acc.shells; ++b) {
    if (acc.shell_vectors[b] == 0) continue;
    const double mean = acc.sample_sum[b] / acc.shell_vectors[b];
    acc.sum[b] += mean;
    acc.block_sum[b] += mean;
  }
  if (s.samples_per_block == 0 || ++acc.block_samples < s.samples_per_block) return;
  for (int b = 0; b < acc.shells; ++b) block_add(acc.blocks[b], acc.block_sum[b] / s.samples_per_block);
  std::fill(acc.block_sum.begin(), acc.block_sum.end(), 0.0);
  acc.block_samples = 0;
}

StructureFactor structure_factor_result(const StructureFactorAccumulator& acc) {
  StructureFactor r;
  r.samples = acc.samples;
  for (int b = 0; b < acc.shells; ++b) {
    if (acc.shell_vectors[b] == 0) continue;
    r.k.push_back(acc.shell_k[b]);
    r.s.push_back(acc.sum[b] / static_cast<double>(acc.samples));
    r.error.push_back(acc.blocks.empty() ? no_value : block_standard_error(acc.blocks[b]));
    r.vectors.push_back(acc.shell_vectors[b]);
  }
  if (!acc.blocks.empty()) r.blocks = acc.blocks.front().count;
  return r;
}

}  // namespace pelzak::analysis
