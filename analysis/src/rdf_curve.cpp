#include "rdf_curve.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

#include "pelzak/formats/rdf_table.hpp"

namespace pelzak::analysis {

namespace {

// Shells of g(r): model::bins of them over half the box side.
double bin_width(double box) { return box / (2.0 * model::bins); }

// The minimum image d - L * round(d / L) without a division, as the library's pair kernels find it
// for their fixed box (auxiliary/src/image_bounds.hpp), with the thresholds found here for any box.
// Correctly rounded division is monotonic, so round(d / L) = copysign(k, d) exactly when
// T_k <= |d| < T_(k+1), T_k being the first double with fl(T_k / L) >= k - 1/2; L * n is then
// copysign(fl(L * k), d), the product the division path forms, zero sign included. From T_4 on,
// and for infinities and NaN, the division decides.
struct ImageBounds {
  double box;
  double wrap[3];  // T_1, T_2, T_3
  double limit;    // T_4; 0 sends every separation through the division
};

// The smallest non-negative double d with fl(d / box) >= target: a bisection over bit patterns,
// which order non-negative doubles like their values.
double first_reaching(double target, double box) {
  std::uint64_t below = 0;
  std::uint64_t reaching = std::bit_cast<std::uint64_t>(4.0 * target * box);
  while (reaching - below > 1) {
    const std::uint64_t mid = below + (reaching - below) / 2;
    if (std::bit_cast<double>(mid) / box >= target) {
      reaching = mid;
    } else {
      below = mid;
    }
  }
  return std::bit_cast<double>(reaching);
}

ImageBounds image_bounds(double box) {
  ImageBounds b{box, {0.0, 0.0, 0.0}, 0.0};
  // Far from the ends of the double range the bisection's bounds are finite and normal.
  if (!(box > 1e-100 && box < 1e100)) return b;
  for (int k = 0; k < 3; ++k) b.wrap[k] = first_reaching(k + 0.5, box);
  b.limit = first_reaching(3.5, box);
  return b;
}

// The image count k for |d| = ad below T_4, as a double.
inline double image_count(double ad, const ImageBounds& b) {
  return (ad >= b.wrap[0] ? 1.0 : 0.0) + (ad >= b.wrap[1] ? 1.0 : 0.0) + (ad >= b.wrap[2] ? 1.0 : 0.0);
}

inline double nearest_image(double d, const ImageBounds& b) {
  const double ad = std::fabs(d);
  if (!(ad < b.limit)) return d - b.box * std::round(d / b.box);
  return d - std::copysign(b.box * image_count(ad, b), d);
}

}  // namespace

void rdf_sample(const double* positions, long long atoms, double box, double* histogram) {
  const double dr = bin_width(box);
  const ImageBounds bounds = image_bounds(box);
  // A pair at or beyond model::bins * dr has r / dr >= 200 (less a few ulps), which rounds past the
  // last bin: such pairs, and NaN, need no square root.
  const double reach = model::bins * dr;
  const double reach_sq = reach * reach;
  const double* x = positions;
  const double* y = positions + atoms;
  const double* z = positions + 2 * atoms;
  for (long long i = 0; i < atoms - 1; ++i) {
    for (long long j = i + 1; j < atoms; ++j) {
      const double delx = nearest_image(x[i] - x[j], bounds);
      const double dely = nearest_image(y[i] - y[j], bounds);
      const double delz = nearest_image(z[i] - z[j], bounds);
      const double rsq = delx * delx + dely * dely + delz * delz;
      if (!(rsq < reach_sq)) continue;
      // round(q), halves away from zero, for 0 <= q < 201: the whole part and the exact fraction.
      const double q = std::sqrt(rsq) / dr;
      const int whole = static_cast<int>(q);
      const int bin = whole + (q - whole >= 0.5 ? 1 : 0);
      if (bin > model::bins - 1) continue;
      histogram[bin] = 2.0 + histogram[bin];
    }
  }
}

void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g) {
  const double n = static_cast<double>(atoms);
  const double dr = bin_width(box);
  const double density = n / (box * box * box);
  const double c = (model::four_thirds * model::pi) * density;
  for (int b = 1; b <= model::bins; ++b) {
    const double r_in = (b - 1) * dr;
    const double r_out = b * dr;
    const double inner = r_in * (r_in * r_in) * c;
    const double outer = r_out * (r_out * r_out) * c;
    const double shell = outer - inner;
    label[b - 1] = (dr / 2.0 + (b - 1) * dr) / model::sigma;
    g[b - 1] = histogram[b - 1] / ((n * shell) * samples);
  }
}

std::string rdf_table(const double* label, const double* g) {
  std::string text(formats::rdf_table_size, ' ');
  formats::rdf_table(label, g, text.data());
  return text;
}

}  // namespace pelzak::analysis
