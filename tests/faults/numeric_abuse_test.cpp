// Abusive numbers through the four routines: coordinates of 1e300, +-infinity, NaN, subnormals
// and -0.0. IEEE arithmetic gives every such input a defined result, so each routine must give
// exactly what a plain re-evaluation of its stated operations gives (NaN where that gives NaN),
// under every pair kernel the machine runs, without undefined behaviour (the sanitizer build
// runs this file too) and without touching memory outside the arrays it was given.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bits.hpp"
#include "configs.hpp"
#include "pelzak/formats/fields.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;
using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;

namespace {

constexpr double subnormal = 4.9406564584124654e-324;
const double infinity = INFINITY;
const double not_a_number = NAN;

// The kernels the library can be told to use; a name the build or the processor lacks falls
// back to another kernel, which is then merely tested twice.
const char* const kernel_names[] = {"reference", "scalar", "avx2", "avx512"};

// Runs body once under each kernel, naming the kernel in any failure.
void for_each_kernel(const std::function<void()>& body) {
  for (const char* kernel : kernel_names) {
    SCOPED_TRACE(std::string("PELZAK_ISA=") + kernel);
    setenv("PELZAK_ISA", kernel, 1);
    body();
  }
  unsetenv("PELZAK_ISA");
}

::testing::AssertionResult same_arrays(const double* got, const double* want, int n) {
  for (int k = 0; k < n; ++k)
    if (!same(got[k], want[k]))
      return ::testing::AssertionFailure()
             << "element " << k << ": got " << got[k] << ", re-evaluation gives " << want[k];
  return ::testing::AssertionSuccess();
}

// 864 atoms on a 10 x 10 x 9 simple cubic lattice 0.35 nm apart: every atom has neighbours
// inside the cut-off, so an abusive atom meets plenty of ordinary ones.
Config lattice() {
  Config c;
  for (int i = 0; i < model::atoms; ++i) {
    at(c, i + 1, 1) = (i % 10) * 0.35;
    at(c, i + 1, 2) = (i / 10 % 10) * 0.35;
    at(c, i + 1, 3) = (i / 100) * 0.35;
  }
  return c;
}

struct Abuse {
  const char* name;
  Config positions;
};

// The lattice with some atoms moved to abusive coordinates, one kind of abuse per case.
std::vector<Abuse> abusive_configurations() {
  std::vector<Abuse> cases;
  auto with = [](std::initializer_list<std::array<double, 4>> atoms) {
    Config c = lattice();
    for (const auto& a : atoms)
      for (int k = 1; k <= 3; ++k) at(c, static_cast<int>(a[0]), k) = a[k];
    return c;
  };
  cases.push_back({"huge", with({{1, 1e300, 0.0, 0.0},
                                 {12, -1e300, 1e300, -1e300},
                                 {123, DBL_MAX, -DBL_MAX, 0.7},
                                 {500, 1e17 * model::box, -1e16, 3.0e15}})});
  cases.push_back({"infinite", with({{1, infinity, 0.0, 0.0}, {55, -infinity, infinity, -infinity}})});
  cases.push_back({"nan", with({{2, not_a_number, 0.35, 0.0}, {300, 0.0, 0.0, not_a_number}})});
  // Atom 1 on subnormal coordinates at the lattice origin; atoms 433 and 434 a subnormal
  // distance apart, which squares to zero: the pair coincides and its terms are NaN.
  cases.push_back({"subnormal", with({{1, subnormal, -subnormal, DBL_MIN / 2},
                                      {433, 1.0, 1.0, 1.0},
                                      {434, 1.0, 1.0, 1.0 + DBL_EPSILON}})});
  cases.push_back({"subnormal_apart", with({{1, subnormal, 0.0, 0.0}, {2, 0.0, 0.0, 0.0}})});
  Config negative_zero = lattice();
  for (double& x : negative_zero)
    if (x == 0.0) x = -0.0;
  cases.push_back({"negative_zero", negative_zero});
  return cases;
}

double minimum_image(double d) { return d - model::box * std::round(d / model::box); }

// Straightforward re-evaluations of the stated operations, in the stated order.
struct Lj {
  Config forces{};
  double energy = 0.0;
};

Lj lj_by_hand(const Config& r, double energy_in) {
  Lj out;
  double sum = energy_in;
  for (int i = 1; i < model::atoms; ++i) {
    for (int j = i + 1; j <= model::atoms; ++j) {
      double d[3];
      double s = 0.0;
      for (int k = 0; k < 3; ++k) {
        d[k] = minimum_image(at(r, i, k + 1) - at(r, j, k + 1));
        s = s + d[k] * d[k];
      }
      if (!(s < model::cutoff_sq)) continue;
      const double rr = std::sqrt(s);
      const double q = model::sigma / rr;
      const double q2 = q * q, q4 = q2 * q2, q8 = q4 * q4;
      const double q6 = q2 * q4, q12 = q4 * q8;
      sum = (q12 - q6) + sum;
      const double fs = (2.0 * q12 - q6) * ((1.0 / rr) * model::force_factor);
      for (int k = 0; k < 3; ++k) {
        const double f = (d[k] * fs) / rr;
        at(out.forces, i, k + 1) = at(out.forces, i, k + 1) + f;
        at(out.forces, j, k + 1) = at(out.forces, j, k + 1) - f;
      }
    }
  }
  out.energy = model::four_eps * sum;
  return out;
}

std::array<double, model::bins> rdf_by_hand(const Config& r, std::array<double, model::bins> h) {
  for (int i = 1; i < model::atoms; ++i) {
    for (int j = i + 1; j <= model::atoms; ++j) {
      double s = 0.0;
      for (int k = 1; k <= 3; ++k) {
        const double d = minimum_image(at(r, i, k) - at(r, j, k));
        s = s + d * d;
      }
      const double b = std::round(std::sqrt(s) / model::bin_width);
      if (b <= model::bins - 1) h[static_cast<int>(b)] = 2.0 + h[static_cast<int>(b)];
    }
  }
  return h;
}

struct Step {
  Config positions, velocities;
  double kinetic = 0.0, temperature = 0.0;
};

Step leapfrog_by_hand(const Config& x0, const Config& v0, const Config& a) {
  Step s{x0, v0};
  double ke = 0.0;
  for (int i = 1; i <= model::atoms; ++i) {
    for (int k = 1; k <= 3; ++k) {
      const double x = at(x0, i, k), v = at(v0, i, k);
      const double x_prev = x - model::dt * v;
      const double x_new = model::dt_sq * at(a, i, k) + (2.0 * x - x_prev);
      const double v_new = (x_new - x_prev) / model::two_dt;
      at(s.positions, i, k) = x_new;
      at(s.velocities, i, k) = v_new;
      const double t = 0.5 * (v_new + v);
      ke = t * t + ke;
    }
  }
  s.kinetic = model::kinetic_factor * ke;
  s.temperature = s.kinetic / model::temperature_divisor;
  const double scale = std::sqrt(94.4 / s.temperature);
  for (double& v : s.velocities) v = v * scale;
  return s;
}

// 200 doubles placed flush against an inaccessible page, below or above the array, with the
// rest of their page filled with a canary: a write outside the 200 bins either faults at once
// or shows in the canary.
class GuardedHistogram {
 public:
  explicit GuardedHistogram(bool flush_against_upper_guard) {
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    base_ = static_cast<unsigned char*>(
        mmap(nullptr, 3 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (base_ == MAP_FAILED) std::abort();
    mprotect(base_, page_, PROT_NONE);
    mprotect(base_ + 2 * page_, page_, PROT_NONE);
    std::memset(base_ + page_, canary, page_);
    unsigned char* middle = base_ + page_;
    bins_ = reinterpret_cast<double*>(flush_against_upper_guard ? middle + page_ - model::bins * 8 : middle);
  }
  ~GuardedHistogram() { munmap(base_, 3 * page_); }
  GuardedHistogram(const GuardedHistogram&) = delete;
  GuardedHistogram& operator=(const GuardedHistogram&) = delete;

  double* bins() { return bins_; }
  bool canary_intact() const {
    const unsigned char* middle = base_ + page_;
    const unsigned char* begin = reinterpret_cast<const unsigned char*>(bins_);
    for (std::size_t k = 0; k < page_; ++k) {
      const unsigned char* p = middle + k;
      if ((p < begin || p >= begin + model::bins * 8) && *p != canary) return false;
    }
    return true;
  }

 private:
  static constexpr unsigned char canary = 0xa5;
  std::size_t page_ = 0;
  unsigned char* base_ = nullptr;
  double* bins_ = nullptr;
};

void read_configuration() {
  Config r, v;
  auxiliary_read_file(r.data(), v.data());
}

// Opens "rdf_argon.dat" at step 1, then writes at step 1000 a histogram holding values[b % n].
void write_histogram(const double* values, int n) {
  std::array<double, model::bins> h{};
  const Config pos = nan_config();
  std::int64_t step = 1;
  auxiliary_radial_dist(&step, pos.data(), h.data());
  for (int b = 0; b < model::bins; ++b) h[b] = values[b % n];
  step = 1000;
  auxiliary_radial_dist(&step, pos.data(), h.data());
}

}  // namespace

TEST(FaultsNumericAbuse, ReadFileTakesHugeSubnormalAndSignedZeroValuesExactly) {
  ScratchDir dir;
  std::string text = sample_file();
  // Atom 1's six fields: 1e300, -1e300, the smallest subnormal, a larger subnormal, -0.000 and
  // an underflow to zero; atom 2's: near the largest double, and signed zeros in several forms.
  auto line = [](int i, std::initializer_list<const char*> fields) {
    std::string s(20, ' ');
    pelzak::formats::put_integer(s.data(), 5, i);
    pelzak::formats::put_text(s.data() + 5, 5, "Ar");
    pelzak::formats::put_text(s.data() + 10, 5, "Ar");
    pelzak::formats::put_integer(s.data() + 15, 5, i);
    for (const char* f : fields) s += std::string(8 - std::strlen(f), ' ') + f;
    return s;
  };
  const std::string line1 = line(1, {"1.0E300", "-1.0E300", "4.9E-324", "2.5E-308", "-0.000", "1.E-999"});
  const std::string line2 = line(2, {"1.79E308", "-1.7E308", "-0.0", "-0.0E99", "-0", "-1.E-99"});
  const std::string old1 = sample_record(1), old2 = sample_record(2);
  text.replace(text.find(old1), old1.size(), line1);
  text.replace(text.find(old2), old2.size(), line2);
  write_bytes("ar_simulation.dat", text);
  Config r, v;
  auxiliary_read_file(r.data(), v.data());
  const double want1[6] = {1e300, -1e300, subnormal, 2.5e-308, -0.0, 0.0};
  const double want2[6] = {1.79e308, -1.7e308, -0.0, -0.0, -0.0, -1e-99};
  for (int k = 1; k <= 3; ++k) {
    EXPECT_TRUE(same(at(r, 1, k), want1[k - 1])) << k;
    EXPECT_TRUE(same(at(v, 1, k), want1[k + 2])) << k;
    EXPECT_TRUE(same(at(r, 2, k), want2[k - 1])) << k;
    EXPECT_TRUE(same(at(v, 2, k), want2[k + 2])) << k;
  }
  EXPECT_TRUE(std::signbit(at(v, 1, 2)));
  EXPECT_FALSE(std::signbit(at(v, 1, 3)));
}

TEST(FaultsNumericAbuseDeathTest, ReadFileRefusesWhatNoDoubleHolds) {
  ScratchDir dir;
  for (const char* field : {"     inf", "     NaN", "Infinity", "1.0E309 ", "-2.E999 "}) {
    std::string text = sample_file();
    const std::string old = sample_record(3);
    text.replace(text.find(old) + 20, 8, field);
    write_bytes("ar_simulation.dat", text);
    const bool range = field[0] == '1' || field[0] == '-';
    EXPECT_EXIT(read_configuration(), testing::ExitedWithCode(2),
                std::string("\"ar_simulation.dat\", line 5: ") +
                    (range ? "value out of range" : "bad value") + " .* in the x position field")
        << field;
  }
}

TEST(FaultsNumericAbuse, ForceAtomsGivesTheIeeeResultOfTheStatedArithmetic) {
  for (const Abuse& c : abusive_configurations()) {
    SCOPED_TRACE(c.name);
    for (double energy_in : {0.0, -0.0, 1e300, infinity, not_a_number, subnormal}) {
      const Lj want = lj_by_hand(c.positions, energy_in);
      for_each_kernel([&] {
        Config forces;
        forces.fill(not_a_number);
        double energy = energy_in;
        auxiliary_force_atoms(c.positions.data(), forces.data(), &energy);
        EXPECT_TRUE(same(energy, want.energy)) << energy << " vs " << want.energy;
        EXPECT_TRUE(same_arrays(forces.data(), want.forces.data(), 3 * model::atoms));
      });
    }
  }
}

TEST(FaultsNumericAbuse, ForceAtomsConfinesEachAbuseToItsOwnPairs) {
  // What IEEE arithmetic makes of each case, stated once so a change of arithmetic is noticed:
  // infinite and NaN coordinates give NaN distances, which fail the cut-off test; the
  // subnormal-apart pair is coincident (its squared distance underflows to zero), so its two
  // atoms get NaN forces and the energy is NaN; -0.0 changes nothing.
  const Lj plain = lj_by_hand(lattice(), 0.0);
  ASSERT_TRUE(std::isfinite(plain.energy));
  for (const Abuse& c : abusive_configurations()) {
    SCOPED_TRACE(c.name);
    Config forces;
    double energy = 0.0;
    auxiliary_force_atoms(c.positions.data(), forces.data(), &energy);
    const std::string name = c.name;
    if (name == "negative_zero") {
      EXPECT_TRUE(same(energy, plain.energy));
      EXPECT_TRUE(same_arrays(forces.data(), plain.forces.data(), 3 * model::atoms));
    } else if (name == "infinite" || name == "nan") {
      EXPECT_TRUE(std::isfinite(energy));
      for (double f : forces) ASSERT_FALSE(std::isnan(f));
    } else if (name == "subnormal_apart") {
      EXPECT_TRUE(std::isnan(energy));
      for (int k = 1; k <= 3; ++k) {
        EXPECT_TRUE(std::isnan(at(forces, 1, k)) && std::isnan(at(forces, 2, k)));
        EXPECT_TRUE(std::isfinite(at(forces, 3, k)) || std::isnan(at(forces, 3, k)));
      }
      EXPECT_TRUE(std::isfinite(at(forces, model::atoms, 1)));  // far from the pair
    }
  }
}

TEST(FaultsNumericAbuse, RadialDistNeverCountsOutsideItsBins) {
  for (const Abuse& c : abusive_configurations()) {
    SCOPED_TRACE(c.name);
    // Whatever the bins hold is carried over (sampling does not reset them), and every pair
    // adds 2.0 to it in turn: whole numbers, fractions, 2^53 where adding 2 rounds, non-finite.
    const double carried[] = {
        -0.0,      0.0,   7.0,       0.5,  9007199254740992.0, 9007199254740991.0, not_a_number, infinity,
        -infinity, 1e300, subnormal, -3.0, 1e16 + 1.0};
    std::array<double, model::bins> start{};
    for (int b = 0; b < model::bins; ++b) start[b] = carried[b % (sizeof carried / sizeof carried[0])];
    const auto want = rdf_by_hand(c.positions, start);
    for (bool upper : {true, false}) {
      for_each_kernel([&] {
        GuardedHistogram h(upper);
        std::memcpy(h.bins(), start.data(), sizeof start);
        const std::int64_t step = 21;  // samples; opens no file
        auxiliary_radial_dist(&step, c.positions.data(), h.bins());
        EXPECT_TRUE(same_arrays(h.bins(), want.data(), model::bins));
        EXPECT_TRUE(h.canary_intact());
      });
    }
  }
}

TEST(FaultsNumericAbuse, LeapfrogGivesTheIeeeResultOfTheStatedArithmetic) {
  const double specials[] = {1e300,      -1e300, infinity, -infinity, not_a_number, subnormal,
                             -subnormal, -0.0,   0.0,      DBL_MAX,   1.0};
  const int n_specials = sizeof specials / sizeof specials[0];
  // Each of positions, velocities and driving term gets the special values in turn, the others
  // stay ordinary; then all three abusive at once.
  for (int target = 0; target < 4; ++target) {
    for (int s = 0; s < n_specials; ++s) {
      Config x = lattice(), v = filled(0.1), a = filled(-3.0);
      for (int i = 1; i <= model::atoms; i += 97) {
        const double value = specials[(s + i) % n_specials];
        Config* which[3] = {&x, &v, &a};
        for (int t = 0; t < 3; ++t)
          if (target == t || target == 3) at(*which[t], i, 1 + i % 3) = value;
      }
      const Step want = leapfrog_by_hand(x, v, a);
      Step got{x, v};
      auxiliary_leapfrog(got.positions.data(), got.velocities.data(), a.data(), &got.kinetic,
                         &got.temperature);
      SCOPED_TRACE("target " + std::to_string(target) + ", special " + std::to_string(s));
      EXPECT_TRUE(same(got.kinetic, want.kinetic));
      EXPECT_TRUE(same(got.temperature, want.temperature));
      EXPECT_TRUE(same_arrays(got.positions.data(), want.positions.data(), 3 * model::atoms));
      EXPECT_TRUE(same_arrays(got.velocities.data(), want.velocities.data(), 3 * model::atoms));
    }
  }
}

TEST(FaultsNumericAbuse, LeapfrogAllAtRestAndAllSubnormal) {
  // All at rest: T = 0, the scale is sqrt(94.4 / 0) = infinity and every velocity 0 * inf = NaN.
  // All subnormal velocities: t * t underflows to zero, so the same happens.
  for (double speed : {0.0, -0.0, subnormal}) {
    Config x = lattice(), v = filled(speed), a = filled(0.0);
    double kinetic = -1.0, temperature = -1.0;
    auxiliary_leapfrog(x.data(), v.data(), a.data(), &kinetic, &temperature);
    EXPECT_EQ(kinetic, 0.0) << speed;
    EXPECT_EQ(temperature, 0.0) << speed;
    for (double w : v) ASSERT_TRUE(std::isnan(w)) << speed;
  }
}

// g at step 1000 of histograms no sampling could produce: the file still holds 200 lines whose
// values are the plainly evaluated g, non-finite ones spelled out.
TEST(FaultsNumericAbuseDeathTest, RadialDistWritesAbusiveHistogramsFaithfully) {
  ScratchDir dir;
  const double values[] = {not_a_number, infinity, -infinity, -0.0, subnormal, 1e300, DBL_MAX, -1.0};
  const int n_values = sizeof values / sizeof values[0];
  EXPECT_EXIT(
      {
        write_histogram(values, n_values);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  const auto lines = split_lines(read_bytes("rdf_argon.dat"));
  ASSERT_EQ(lines.size(), 200u);
  // What the shells' one normalisation makes of each abusive count.
  double histogram[model::bins], label[model::bins], expected[model::bins];
  for (int b = 0; b < model::bins; ++b) histogram[b] = values[b % n_values];
  pelzak::kernels::rdf_normalise(histogram, model::atoms, model::box, model::samples, label, expected);
  for (int b = 1; b <= model::bins; ++b) {
    const std::string& line = lines[b - 1];
    ASSERT_EQ(line.size(), 52u) << b;
    const double g = expected[b - 1];
    const std::string field = line.substr(27);
    const std::string text = field.substr(field.find_first_not_of(' '));
    if (std::isnan(g)) {
      EXPECT_EQ(field, std::string(22, ' ') + "NaN") << b;
    } else if (std::isinf(g)) {
      EXPECT_EQ(text, g > 0 ? "Infinity" : "-Infinity") << b;
    } else {
      EXPECT_TRUE(same(std::strtod(text.c_str(), nullptr), g)) << b << ": " << line;
    }
  }
}
