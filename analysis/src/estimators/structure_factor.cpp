#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "estimators/lanes.hpp"
#include "estimators/sine.hpp"
#include "pelzak/analysis/structure_factor.hpp"

namespace pelzak::analysis {

namespace {

// Beyond this many box-allowed wave numbers on an axis the tables stop making sense: far past any use
// of S(k) on a liquid (n = 1024 is k = 1850 nm^-1 in the toolkit's box, and k = 40 nm^-1 in a box of
// 160 nm, 100 million atoms of the liquid).
constexpr int n_limit = 1024;
// At most this many vectors in all (their running sums take 128 bytes each): a cap a shell keeps far
// below it, an uncapped k_max in a large box may not.
constexpr long long vector_limit = 1 << 20;

// Atoms per block: the block's tables, 6 (n_max + 1) block doubles, stay within the second-level
// cache up to n_max of about 80 (k_max = 40 nm^-1 in a box of 12.5 nm, 40,000 atoms of the liquid)
// and each vector's running sums are loaded and stored once per block, a sixteenth of its work.
constexpr int block_atoms = 128;
static_assert(block_atoms % lane_count == 0);

enum Part { re = 0, im = 1 };

double* phase(StructureFactorAccumulator& acc, int axis, int n, Part part) {
  return acc.phases.data() + ((static_cast<size_t>(axis) * (acc.n_max + 1) + n) * 2 + part) * acc.block;
}

// The axis's phase factors exp(i n k_unit x_j), n = 0 .. n_max, of the `count` atoms (whole lanes)
// from `first`: cos and sin for n = 1, then each n from the one before by a complex product. The
// padding atoms get 0, so that they add nothing.
void axis_phases(StructureFactorAccumulator& acc, int axis, const double* x, int first, int count) {
  const int atoms = acc.settings.atoms - first;  // of the block's places, those before it are atoms
  double* re0 = phase(acc, axis, 0, re);
  double* im0 = phase(acc, axis, 0, im);
  double* re1 = phase(acc, axis, 1, re);
  double* im1 = phase(acc, axis, 1, im);
  for (int j = 0; j < count; ++j) {
    re0[j] = j < atoms ? 1.0 : 0.0;
    im0[j] = 0.0;
  }
  for (int i = 0; i < count; i += lane_count) {
    Lanes angle, s, c;
    for (int l = 0; l < lane_count; ++l) angle[l] = i + l < atoms ? acc.k_unit * x[first + i + l] : 0.0;
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
    for (int j = 0; j < count; ++j) {
      b_re[j] = a_re[j] * re1[j] - a_im[j] * im1[j];
      b_im[j] = a_re[j] * im1[j] + a_im[j] * re1[j];
    }
  }
}

// The column's factors exp(i (n_x k_unit x_j + n_y k_unit y_j)), exp(-i t) being the conjugate of
// exp(i t).
void column_phases(StructureFactorAccumulator& acc, int nx, int ny, int count) {
  const double sign = ny < 0 ? -1.0 : 1.0;
  const double* x_re = phase(acc, 0, nx, re);
  const double* x_im = phase(acc, 0, nx, im);
  const double* y_re = phase(acc, 1, std::abs(ny), re);
  const double* y_im = phase(acc, 1, std::abs(ny), im);
  double* c_re = acc.column.data();
  double* c_im = acc.column.data() + acc.block;
  for (int j = 0; j < count; ++j) {
    const double b_im = sign * y_im[j];
    c_re[j] = x_re[j] * y_re[j] - x_im[j] * b_im;
    c_im[j] = x_re[j] * b_im + x_im[j] * y_re[j];
  }
}

// Adds the block's terms of sum_j exp(i k . r_j) for the column in hand and n_z to the vector's
// running sums, atom j in lane j % 8.
void add_block_mode(StructureFactorAccumulator& acc, int nz, int count, double* mode) {
  const double sign = nz < 0 ? -1.0 : 1.0;
  const double* a_re = acc.column.data();
  const double* a_im = acc.column.data() + acc.block;
  const double* z_re = phase(acc, 2, std::abs(nz), re);
  const double* z_im = phase(acc, 2, std::abs(nz), im);
  Lanes sum_re, sum_im;
  load_lanes(mode, &sum_re);
  load_lanes(mode + lane_count, &sum_im);
  for (int i = 0; i < count; i += lane_count) {
    Lanes ar, ai, br, bi;
    load_lanes(a_re + i, &ar);
    load_lanes(a_im + i, &ai);
    load_lanes(z_re + i, &br);
    load_lanes(z_im + i, &bi);
    bi *= sign;
    sum_re += ar * br - ai * bi;
    sum_im += ar * bi + ai * br;
  }
  std::memcpy(mode, &sum_re, sizeof sum_re);
  std::memcpy(mode + lane_count, &sum_im, sizeof sum_im);
}

}  // namespace

bool structure_factor_start(StructureFactorAccumulator& acc, const StructureFactorSettings& s,
                            std::string* problem) {
  acc = StructureFactorAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (s.atoms < 1) return *problem = "S(k) needs at least one atom", false;
  if (!(s.box > 0.0) || !std::isfinite(s.box)) return *problem = "S(k) needs a positive box side", false;
  if (!(s.shell_width >= 0.0) || !std::isfinite(s.shell_width) || s.vectors_per_shell < 0 ||
      s.samples_per_block < 0 || s.vectors_in_all < 0)
    return *problem = "S(k) needs a shell width, vector counts and samples per block that are not negative",
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
  acc.block = std::min(acc.padded, block_atoms);
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
  // The cap a shell, lowered from the one asked for while the vectors in all exceed their limit.
  auto kept_with = [&](long long cap) {
    long long kept = 0;
    for (long long c : in_shell) kept += cap > 0 ? std::min(c, cap) : c;
    return kept;
  };
  long long cap = s.vectors_per_shell;
  if (s.vectors_in_all > 0 && kept_with(cap) > s.vectors_in_all) {
    long long fits = 1, too_many = cap > 0 ? cap : *std::max_element(in_shell.begin(), in_shell.end());
    while (too_many - fits > 1) {  // the vectors kept never fall as the cap rises
      const long long mid = fits + (too_many - fits) / 2;
      (kept_with(mid) > s.vectors_in_all ? too_many : fits) = mid;
    }
    cap = fits;
  }
  const long long kept = kept_with(cap);
  if (kept > vector_limit)
    return *problem = "S(k) would need " + std::to_string(kept) + " wave vectors, more than " +
                      std::to_string(vector_limit) + ": cap the vectors a shell or lower k_max",
           false;
  acc.shells = static_cast<int>(in_shell.size());
  acc.cap = static_cast<int>(cap);

  // A shell with more than the cap keeps vector i of its c exactly when floor((i + 1) cap / c) passes a
  // whole number: cap of them, evenly spread along the order.
  acc.shell_vectors.assign(acc.shells, 0);
  acc.shell_k.assign(acc.shells, 0.0);
  std::vector<long long> seen(acc.shells, 0);
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

  acc.phases.assign(3 * static_cast<size_t>(m + 1) * 2 * acc.block, 0.0);
  acc.column.assign(2 * static_cast<size_t>(acc.block), 0.0);
  acc.modes.assign(acc.vector_shell.size() * 2 * lane_count, 0.0);
  acc.sample_sum.assign(acc.shells, 0.0);
  acc.sum.assign(acc.shells, 0.0);
  acc.block_sum.assign(acc.shells, 0.0);
  acc.blocks.assign(s.samples_per_block > 0 ? acc.shells : 0, BlockStats{});
  return true;
}

void structure_factor_add_frame(StructureFactorAccumulator& acc, const double* positions) {
  if (acc.shells == 0) return;  // not started, or its settings were refused
  const StructureFactorSettings& s = acc.settings;
  std::fill(acc.modes.begin(), acc.modes.end(), 0.0);
  const size_t vectors = acc.vector_shell.size();
  for (int first = 0; first < acc.padded; first += acc.block) {
    const int count = std::min(acc.block, acc.padded - first);
    for (int axis = 0; axis < 3; ++axis)
      axis_phases(acc, axis, positions + axis * static_cast<size_t>(s.atoms), first, count);
    int column_x = -1, column_y = 0;
    for (size_t v = 0; v < vectors; ++v) {
      const int nx = acc.vector_n[3 * v], ny = acc.vector_n[3 * v + 1], nz = acc.vector_n[3 * v + 2];
      if (nx != column_x || ny != column_y) {
        column_phases(acc, nx, ny, count);
        column_x = nx;
        column_y = ny;
      }
      add_block_mode(acc, nz, count, acc.modes.data() + v * 2 * lane_count);
    }
  }
  std::fill(acc.sample_sum.begin(), acc.sample_sum.end(), 0.0);
  const double atoms = static_cast<double>(s.atoms);
  for (size_t v = 0; v < vectors; ++v) {
    Lanes sum_re, sum_im;
    load_lanes(acc.modes.data() + v * 2 * lane_count, &sum_re);
    load_lanes(acc.modes.data() + v * 2 * lane_count + lane_count, &sum_im);
    const double rho_re = lane_total(sum_re);
    const double rho_im = lane_total(sum_im);
    acc.sample_sum[acc.vector_shell[v]] += (rho_re * rho_re + rho_im * rho_im) / atoms;
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
