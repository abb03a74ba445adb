// The summary away from the library's state point, checked against numbers the test works out
// itself, in a few seconds:
//
//  - A hot, thin liquid of 500 atoms with the tail correction and csvr (120 K, 10 % below the
//    library's density, cut off at 2.5 sigma), whose last 1000 production steps are written frame by
//    frame. From those frames alone, with a plain all-pairs loop and the model's constants, the test
//    recomputes the mean potential energy, the mean on-step temperature, the mean pressure (ideal gas,
//    virial and tail parts), the Green-Kubo viscosity, g(r)'s first peak, and from the options the
//    box, the density and the reduced units; summary_argon.json must give the same numbers.
//  - The library's liquid at 120 K at constant energy, logged every step: the temperature where
//    production starts, the total energy's spread and drift (against its band and the log's rows),
//    the error bars against blocks the test forms from the log, and the figures that need a long
//    simulation (U, P, D, the viscosity) against LAMMPS's for the same model
//    (data/lammps_state_points/), within four combined standard errors.
//
// Nothing is compared with stored bits of our own output: the engine's summation order may change,
// and only the physics has to stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pelzak/driver/job.hpp"
#include "programs.hpp"
#include "support.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;

// The model's constants from their definitions, in SI. The model took eps = 6.628e-21 J / 4, m and kB
// as single-precision numbers (the exact doubles they widen to are what every run uses).
const double sigma_nm = 0.34;
const double sigma_m = sigma_nm * 1e-9;
const double epsilon_j = static_cast<double>(6.628e-21f) / 4.0;
const double mass_kg = static_cast<double>(6.63352088e-26f);  // 39.948 u
const double boltzmann = static_cast<double>(1.38065e-23f);   // J/K
const double pascal_per_bar = 1e5;
const double m3_per_nm3 = 1e-27;
const double joule_per_nm_ps_squared = 1e6;  // (1 nm/ps)^2 = (1000 m/s)^2

// A number of summary_argon.json by its name; NaN for null.
double json_number(const std::string& json, const std::string& name) {
  const std::string key = "\"" + name + "\": ";
  const std::size_t at = json.find(key);
  EXPECT_NE(at, std::string::npos) << name;
  if (at == std::string::npos) return std::nan("");
  const char* p = json.c_str() + at + key.size();
  if (std::string_view(p, 4) == "null") return std::nan("");
  if (std::string_view(p, 4) == "true") return 1.0;
  if (std::string_view(p, 5) == "false") return 0.0;
  double v = 0.0;
  std::from_chars(p, json.c_str() + json.size(), v);
  return v;
}

// The box side (nm) of n atoms at rho g/cm^3: L^3 = n m / rho, with m in g and 1 cm = 1e7 nm.
double box_nm(long n, double rho) { return std::cbrt(static_cast<double>(n) * mass_kg * 1e3 / rho) * 1e7; }

// The long-range corrections for a cut-off rc (in sigma) with g(r) = 1 beyond it, in reduced units:
// U/N = (8/3) pi rho* [(1/3) rc^-9 - rc^-3],  P = (16/3) pi rho*^2 [(2/3) rc^-9 - rc^-3].
double tail_energy_per_atom_eps(double rho_star, double rc) {
  return 8.0 / 3.0 * M_PI * rho_star * (std::pow(rc, -9.0) / 3.0 - std::pow(rc, -3.0));
}
double tail_pressure_reduced(double rho_star, double rc) {
  return 16.0 / 3.0 * M_PI * rho_star * rho_star * (2.0 / 3.0 * std::pow(rc, -9.0) - std::pow(rc, -3.0));
}

// The frames of traj_argon.xyz: the elapsed step, positions (nm, wrapped) and the half-step
// velocities (nm/ps) that led to them, each 3 per atom.
struct Frame {
  long long step = 0;
  std::vector<double> x, v;
};

std::vector<Frame> read_frames(const std::string& path, long atoms) {
  const std::string text = read_bytes(path);
  std::vector<std::string_view> lines;
  for (std::size_t at = 0, eol; (eol = text.find('\n', at)) != std::string::npos; at = eol + 1)
    lines.emplace_back(text.data() + at, eol - at);
  std::vector<Frame> frames;
  for (std::size_t at = 0; at + 2 + atoms <= lines.size(); at += 2 + atoms) {
    Frame f;
    const std::size_t step = lines[at + 1].find(" Step=");
    if (step == std::string_view::npos) break;
    const std::string_view comment = lines[at + 1].substr(step + 6);
    std::from_chars(comment.data(), comment.data() + comment.size(), f.step);
    f.x.resize(3 * atoms), f.v.resize(3 * atoms);
    for (long i = 0; i < atoms; ++i) {
      const std::string_view line = lines[at + 2 + i];  // "Ar x y z vx vy vz ix iy iz"
      const char* p = line.data() + std::min<std::size_t>(3, line.size());
      for (int k = 0; k < 6; ++k) {
        double value = std::nan("");
        const auto parsed = std::from_chars(p, line.data() + line.size(), value);
        p = parsed.ptr == line.data() + line.size() ? parsed.ptr : parsed.ptr + 1;
        (k < 3 ? f.x[3 * i + k] : f.v[3 * i + k - 3]) = value / 10.0;  // Angstrom to nm
      }
    }
    frames.push_back(std::move(f));
  }
  return frames;
}

// Lennard-Jones energy and virial sum r . F (both J) of a configuration, all pairs, nearest images,
// cut off at rc (nm) without shift.
struct PairSums {
  double energy = 0.0, virial = 0.0;
  double shear[3] = {0.0, 0.0, 0.0};  // the off-diagonal virial sums, xy, xz, yz
};
PairSums pair_sums(const std::vector<double>& x, double box, double rc) {
  PairSums s;
  const std::size_t n = x.size() / 3;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) {
      double d[3], rsq = 0.0;
      for (int k = 0; k < 3; ++k) {
        d[k] = x[3 * i + k] - x[3 * j + k];
        d[k] -= box * std::nearbyint(d[k] / box);
        rsq += d[k] * d[k];
      }
      if (rsq >= rc * rc) continue;
      const double sr2 = sigma_nm * sigma_nm / rsq, sr6 = sr2 * sr2 * sr2;
      const double r_dot_f = 24.0 * epsilon_j * (2.0 * sr6 * sr6 - sr6);  // J
      s.energy += 4.0 * epsilon_j * (sr6 * sr6 - sr6);
      s.virial += r_dot_f;
      s.shear[0] += r_dot_f * d[0] * d[1] / rsq;
      s.shear[1] += r_dot_f * d[0] * d[2] / rsq;
      s.shear[2] += r_dot_f * d[1] * d[2] / rsq;
    }
  return s;
}

// The kinetic temperature (K) of the velocities (u1 + u2) / 2 over 3N degrees of freedom.
double temperature_of_mean(const std::vector<double>& u1, const std::vector<double>& u2) {
  double sum = 0.0;
  for (std::size_t k = 0; k < u1.size(); ++k) {
    const double v = (u1[k] + u2[k]) / 2.0;
    sum += v * v;
  }
  const double kinetic = 0.5 * mass_kg * sum * joule_per_nm_ps_squared;
  return 2.0 * kinetic / (static_cast<double>(u1.size()) * boltzmann);
}

// The summary's figure `to` is its figure `from` times factor, or both are missing.
void expect_converted(const std::string& json, const std::string& from, const std::string& to,
                      double factor) {
  const double a = json_number(json, from), b = json_number(json, to);
  if (std::isnan(a) && std::isnan(b)) return;
  EXPECT_NEAR(b / (a * factor), 1.0, 1e-12) << from << " " << a << ", " << to << " " << b;
}

// The reduced units and the unit conversions of a summary, from the options alone.
void expect_state_figures(const std::string& json, long atoms, double temperature, double density) {
  const double box = box_nm(atoms, density);
  EXPECT_EQ(json_number(json, "atoms"), atoms);
  EXPECT_EQ(json_number(json, "temperature_K"), temperature);
  EXPECT_NEAR(json_number(json, "density_g_per_cm3") / density, 1.0, 1e-12);
  EXPECT_NEAR(json_number(json, "box_nm") / box, 1.0, 1e-12);
  EXPECT_NEAR(json_number(json, "reduced_temperature"), temperature * boltzmann / epsilon_j, 1e-12);
  EXPECT_NEAR(json_number(json, "reduced_density"), atoms * std::pow(sigma_nm / box, 3.0), 1e-12);
  EXPECT_EQ(json_number(json, "time_step_ps"), 0.01);
  // p* = P sigma^3 / eps with P in Pa, and eta* = eta sigma^2 / sqrt(m eps) with eta in Pa s
  // (1 mPa s = 1e-3 Pa s): each figure and its error (both missing in a run too short for blocks).
  const double p_to_reduced = pascal_per_bar * std::pow(sigma_m, 3.0) / epsilon_j;
  const double eta_to_reduced = 1e-3 * sigma_m * sigma_m / std::sqrt(mass_kg * epsilon_j);
  for (const std::string error : {"", "_error"}) {
    expect_converted(json, "mean_pressure_bar" + error, "mean_reduced_pressure" + error, p_to_reduced);
    expect_converted(json, "viscosity_mPa_s" + error, "reduced_viscosity" + error, eta_to_reduced);
  }
}

// S(k)'s main peak: where any simple liquid has it, near k = 2 pi / d with d the nearest-neighbour
// distance (about 1.1 sigma), at k sigma = 6.5 to 7.2 for Lennard-Jones liquids from rho* = 0.7 to
// 0.85, and no higher than about 2.9 (Hansen and Verlet's freezing rule: a liquid whose peak passes
// 2.85 freezes), short runs' scatter allowed for; and in Angstrom^-1 the vertex of the parabola
// through the highest point of sk_argon.csv's direct curve (nm^-1) and its two neighbours.
void expect_structure_factor(const std::string& json, const std::string& folder) {
  const double k_peak = json_number(json, "sk_peak_per_angstrom") * 10.0;  // nm^-1: 1 nm = 10 Angstrom
  const double height = json_number(json, "sk_peak_height");
  EXPECT_TRUE(k_peak * sigma_nm > 6.0 && k_peak * sigma_nm < 7.8)
      << "S(k)'s main peak at k sigma " << k_peak * sigma_nm;
  EXPECT_TRUE(height > 1.5 && height < 4.0) << "S(k)'s main peak " << height;
  std::vector<double> k, sk;
  const std::vector<std::string> lines = split_lines(read_bytes(folder + "sk_argon.csv"));
  for (std::size_t n = 1; n < lines.size(); ++n) {
    const std::size_t first = lines[n].find(','), second = lines[n].find(',', first + 1);
    if (second == first + 1) continue;  // a row of the g(r) route alone
    k.push_back(std::stod(lines[n].substr(0, first)));
    sk.push_back(std::stod(lines[n].substr(first + 1, second - first - 1)));
  }
  const std::size_t top = std::max_element(sk.begin(), sk.end()) - sk.begin();
  ASSERT_TRUE(top > 0 && top + 1 < sk.size());
  const double x0 = k[top - 1] - k[top], x2 = k[top + 1] - k[top];  // the parabola in x = k - k[top]
  const double y0 = sk[top - 1] - sk[top], y2 = sk[top + 1] - sk[top];
  const double a = (y0 / x0 - y2 / x2) / (x0 - x2), b = y0 / x0 - a * x0;  // y = a x^2 + b x
  EXPECT_NEAR(k_peak / (k[top] - b / (2.0 * a)), 1.0, 1e-5);               // the file's k has 7 digits
  EXPECT_NEAR(height / (sk[top] - b * b / (4.0 * a)), 1.0, 1e-5);
}

Options quiet_options() {
  Options o;
  o.quiet = true;
  return o;
}

TEST(QuickStatePoints, HotThinLiquidWithTailAgainstItsOwnFrames) {
  ScratchDir dir;
  constexpr long atoms = 500;  // a whole fcc lattice, 4 x 5^3
  const double temperature = 120.0, density = 1.2262077738509265, rc_sigma = 2.5;
  Options o = quiet_options();
  o.atoms = atoms, o.density = density, o.temperature = temperature, o.cutoff_sigma = rc_sigma, o.tail = true;
  o.thermostat = engine::Thermostat::csvr, o.seed = 7;
  o.push_off_steps = 0, o.equilibration_steps = 2000, o.production_steps = 1000;
  o.output_dir = "hot";
  ASSERT_EQ(run_job(o), exit_ok);
  // 1000 more steps, every one of them a frame.
  Options more = quiet_options();
  more.continue_run = true, more.production_steps = 1000, more.xyz_every = 1, more.output_dir = "hot";
  ASSERT_EQ(run_job(more), exit_ok);
  const std::string json = read_bytes("hot/summary_argon.json");
  expect_state_figures(json, atoms, temperature, density);
  expect_structure_factor(json, "hot/");
  EXPECT_EQ(json_number(json, "cutoff_sigma"), rc_sigma);
  EXPECT_EQ(json_number(json, "tau_ps"), 0.1);
  EXPECT_EQ(json_number(json, "tail_correction"), 1.0);
  EXPECT_EQ(json_number(json, "production_steps"), 1000);
  EXPECT_EQ(json_number(json, "production_steps_before"), 1000);
  EXPECT_TRUE(pelzak::test::contains(json, "\"thermostat\": \"csvr\""));

  const std::vector<Frame> frames = read_frames("hot/traj_argon.xyz", atoms);
  ASSERT_EQ(frames.size(), 1001u);  // where the run went on from, and one after each step
  const double box = box_nm(atoms, density), volume_m3 = box * box * box * m3_per_nm3;
  const double rho_star = atoms * std::pow(sigma_nm / box, 3.0);
  const double tail_u = tail_energy_per_atom_eps(rho_star, rc_sigma);
  const double tail_p = tail_pressure_reduced(rho_star, rc_sigma) * epsilon_j / std::pow(sigma_m, 3.0);  // Pa

  // Production step n starts from frame n - 1 and moves the atoms with frame n's velocities; its
  // on-step velocities are the mean of those two frames'. The pressure is sampled where the step
  // counted across both runs is a multiple of 10; g(r) every 20 steps from step 1.
  double u_sum = 0.0, t_sum = 0.0, p_sum = 0.0;
  std::vector<double> stress;  // P_xy, P_xz, P_yz (Pa) of each production step's start
  int p_samples = 0, rdf_samples = 0;
  std::vector<double> histogram(200, 0.0);
  const double bin = box / 400.0;
  for (int n = 1; n <= 1000; ++n) {
    const Frame& f = frames[n - 1];
    ASSERT_EQ(frames[n].step, f.step + 1);
    const PairSums s = pair_sums(f.x, box, rc_sigma * sigma_nm);
    const double t_on_step = temperature_of_mean(f.v, frames[n].v);
    u_sum += s.energy / (atoms * epsilon_j) + tail_u;
    const int axes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int c = 0; c < 3; ++c) {
      double vv = 0.0;
      for (long i = 0; i < atoms; ++i) {
        const int a = axes[c][0], b = axes[c][1];
        vv += (f.v[3 * i + a] + frames[n].v[3 * i + a]) / 2.0 *
              ((f.v[3 * i + b] + frames[n].v[3 * i + b]) / 2.0);
      }
      stress.push_back((mass_kg * vv * joule_per_nm_ps_squared + s.shear[c]) / volume_m3);
    }
    t_sum += t_on_step;
    if ((1000 + n) % 10 == 0) {
      p_sum += (atoms * boltzmann * t_on_step + s.virial / 3.0) / volume_m3 + tail_p;
      ++p_samples;
    }
    if ((n - 1) % 20 == 0) {
      ++rdf_samples;
      for (long i = 0; i < atoms; ++i)
        for (long j = 0; j < atoms; ++j) {
          if (i == j) continue;
          double rsq = 0.0;
          for (int k = 0; k < 3; ++k) {
            double d = f.x[3 * i + k] - f.x[3 * j + k];
            d -= box * std::nearbyint(d / box);
            rsq += d * d;
          }
          const long shell = std::lround(std::sqrt(rsq) / bin);
          if (shell >= 0 && shell < 200) histogram[shell] += 1.0;
        }
    }
  }
  const double u = u_sum / 1000.0, t_on_step = t_sum / 1000.0, p_bar = p_sum / p_samples / pascal_per_bar;
  std::printf("ours U %.6f eps/atom, on-step T %.4f K, P %.3f bar; summary %.6f, %.4f, %.3f\n", u, t_on_step,
              p_bar, json_number(json, "mean_potential_energy_eps_per_atom"),
              json_number(json, "mean_on_step_temperature_K"), json_number(json, "mean_pressure_bar"));
  // The frames hold positions to 1e-5 Angstrom and velocities to 1e-5 Angstrom/ps.
  EXPECT_NEAR(json_number(json, "mean_potential_energy_eps_per_atom"), u, 2e-5);
  EXPECT_NEAR(json_number(json, "mean_on_step_temperature_K") / t_on_step, 1.0, 1e-5);
  EXPECT_NEAR(json_number(json, "mean_pressure_bar"), p_bar, 0.05);
  // The shear viscosity by Green-Kubo, eta = V / (kB T) integral_0^2ps <P_ab(0) P_ab(t)> dt, from the
  // stress of every even step of this run (0.02 ps apart), every one an origin, averaged over xy, xz
  // and yz, the trapezoid rule; T the mean on-step temperature of those steps.
  std::vector<double> sampled;
  double t_sampled = 0.0;
  for (int n = 2; n <= 1000; n += 2) {
    sampled.insert(sampled.end(), &stress[3 * (n - 1)], &stress[3 * (n - 1)] + 3);
    t_sampled += temperature_of_mean(frames[n - 1].v, frames[n].v) / 500.0;
  }
  double integral = 0.0;
  for (int lag = 0; lag <= 100; ++lag) {
    double c = 0.0;
    for (int t0 = 0; t0 + lag < 500; ++t0)
      for (int k = 0; k < 3; ++k) c += sampled[3 * t0 + k] * sampled[3 * (t0 + lag) + k];
    c /= 3.0 * (500 - lag);
    integral += (lag == 0 || lag == 100 ? 0.5 : 1.0) * c * 0.02e-12;  // Pa^2 s
  }
  const double eta = volume_m3 / (boltzmann * t_sampled) * integral * 1e3;  // mPa s
  std::printf("ours eta %.6f mPa s, summary %.6f\n", eta, json_number(json, "viscosity_mPa_s"));
  EXPECT_NEAR(json_number(json, "viscosity_mPa_s") / eta, 1.0, 1e-3);
  // 10 ps are less than two 20-ps blocks: no error bars.
  EXPECT_TRUE(std::isnan(json_number(json, "mean_pressure_bar_error")));

  // csvr holds the on-step temperature canonical about T: per step it scatters by sqrt(2 / 3N)
  // (3.7 %), and 10 ps hold about 50 independent values. The library's thermometer (the mid-step
  // velocities) trails the on-step one by about 2 (dt omega)^2, near 1 %.
  EXPECT_NEAR(t_on_step / temperature, 1.0, 4.0 * std::sqrt(2.0 / (3.0 * atoms)) / std::sqrt(50.0));
  const double lag =
      json_number(json, "mean_temperature_K") / json_number(json, "mean_on_step_temperature_K");
  EXPECT_TRUE(lag > 0.98 && lag < 0.997) << lag;

  // g(r) as the library defines it: each ordered pair counted in the shell its distance rounds to
  // (r / dr, dr = L / 400), over N times the ideal gas's partners per atom between b dr and (b + 1) dr.
  int peak = 0;
  std::vector<double> g(200);
  for (int b = 0; b < 200; ++b) {
    const double shell = 4.0 / 3.0 * M_PI * (std::pow((b + 1) * bin, 3.0) - std::pow(b * bin, 3.0));
    g[b] = histogram[b] / (atoms * (atoms / (box * box * box)) * shell * rdf_samples);
    if (g[b] > g[peak]) peak = b;
  }
  EXPECT_EQ(json_number(json, "rdf_samples"), rdf_samples);
  EXPECT_NEAR(json_number(json, "rdf_first_peak") / g[peak], 1.0, 1e-3);
  EXPECT_NEAR(json_number(json, "rdf_first_peak_r_sigma"), (peak + 0.5) * bin / sigma_nm, 1e-12);
}

// The rows of thermo_argon.csv: phase, step, time (ps), then the numeric columns by index.
struct LogRow {
  std::string phase;
  long long step = 0;
  double time = 0.0, temperature = 0.0, total_eps = 0.0, potential_eps = 0.0, pressure_bar = 0.0,
         kinetic_eps = 0.0;
};
std::vector<LogRow> read_log(const std::string& path) {
  std::vector<LogRow> rows;
  const std::vector<std::string> lines = split_lines(read_bytes(path));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> cells;
    std::size_t at = 0;
    for (std::size_t comma; (comma = lines[i].find(',', at)) != std::string::npos; at = comma + 1)
      cells.push_back(lines[i].substr(at, comma - at));
    cells.push_back(lines[i].substr(at));
    rows.push_back({cells[0], std::stoll(cells[1]), std::stod(cells[2]), std::stod(cells[6]),
                    std::stod(cells[9]), std::stod(cells[7]), std::stod(cells[10]), std::stod(cells[8])});
  }
  return rows;
}

// Standard error of the mean from consecutive blocks of `per_block` values (a last, shorter one left
// out), with the unbiased variance of the block means.
double block_error(const std::vector<double>& values, std::size_t per_block) {
  std::vector<double> means;
  for (std::size_t b = 0; b + per_block <= values.size(); b += per_block) {
    double sum = 0.0;
    for (std::size_t k = b; k < b + per_block; ++k) sum += values[k];
    means.push_back(sum / static_cast<double>(per_block));
  }
  double mean = 0.0, squares = 0.0;
  for (double m : means) mean += m / static_cast<double>(means.size());
  for (double m : means) squares += (m - mean) * (m - mean);
  const double n = static_cast<double>(means.size());
  return std::sqrt(squares / (n - 1.0) / n);
}

// LAMMPS's figures (figures.csv) for a run by name: U (eps per atom), P (bar), D (Einstein, 1e-5
// cm^2/s) and eta (mPa s), each with its standard error.
struct Lammps {
  double u, u_error, p, p_error, d, d_error, eta, eta_error;
};
std::map<std::string, Lammps> lammps_figures() {
  const std::string csv = read_bytes(PELZAK_SOURCE_DIR "/tests/driver/data/lammps_state_points/figures.csv");
  const auto u = test::csv_column(csv, 9), u_error = test::csv_column(csv, 10), p = test::csv_column(csv, 11),
             p_error = test::csv_column(csv, 12), d = test::csv_column(csv, 15),
             d_error = test::csv_column(csv, 16), eta = test::csv_column(csv, 21),
             eta_error = test::csv_column(csv, 22);
  std::map<std::string, Lammps> out;
  const std::vector<std::string> lines = split_lines(csv);
  for (std::size_t k = 0; k + 1 < lines.size(); ++k)
    out[lines[k + 1].substr(0, lines[k + 1].find(','))] = {u[k], u_error[k], p[k],   p_error[k],
                                                           d[k], d_error[k], eta[k], eta_error[k]};
  return out;
}

// Ours within four combined standard errors of LAMMPS's. An error from five blocks is itself
// uncertain by a third, so ours is taken no smaller than LAMMPS's scaled to our length (its 4 ns
// against our 0.1 ns: sqrt(40) times larger).
void expect_agrees(const char* what, double ours, double ours_error, double theirs, double theirs_error) {
  const double expected = std::max(ours_error, theirs_error * std::sqrt(40.0));
  const double combined = std::sqrt(expected * expected + theirs_error * theirs_error);
  EXPECT_LE(std::fabs(ours - theirs), 4.0 * combined)
      << what << ": ours " << ours << " +- " << ours_error << ", LAMMPS " << theirs << " +- " << theirs_error;
  std::printf("%s: ours %.5g +- %.2g, LAMMPS %.5g +- %.2g (%+.1f combined errors)\n", what, ours, ours_error,
              theirs, theirs_error, (ours - theirs) / combined);
}

TEST(QuickStatePoints, ConstantEnergyAt120KAgainstLammps) {
  ScratchDir dir;
  ASSERT_EQ(pelzak::test::run_program({pelzak::test::generator_program}).status, 0);
  constexpr long atoms = 864;
  const double temperature = 120.0;
  Options o = quiet_options();
  o.start = "ar_simulation.dat", o.temperature = temperature, o.thermostat = engine::Thermostat::none;
  o.equilibration_steps = 3000, o.production_steps = 10000, o.thermo_every = 1;
  ASSERT_EQ(run_job(o), exit_ok);
  const std::string json = read_bytes("summary_argon.json");
  // The library's box, 3.47786 nm, holds its 864 atoms at N m / L^3 (1 nm = 1e-7 cm, 1 kg = 1e3 g).
  expect_state_figures(json, atoms, temperature, atoms * mass_kg * 1e3 / std::pow(3.47786e-7, 3.0));
  EXPECT_TRUE(pelzak::test::contains(json, "\"thermostat\": \"none\""));
  expect_structure_factor(json, "");
  const double t_on_step = json_number(json, "mean_on_step_temperature_K");
  const double t_mid = json_number(json, "mean_temperature_K");

  const std::vector<LogRow> log = read_log("thermo_argon.csv");
  // Equilibration holds the on-step velocities at T; the library's thermometer (the mid-step
  // velocities, the log's) trails them by about 2 (dt omega)^2, 1 % here.
  double equilibration_end = 0.0, production_start = 0.0;
  int end_rows = 0, start_rows = 0;
  for (const LogRow& r : log) {
    if (r.phase == "equilibration" && r.step > 2000) equilibration_end += r.temperature, ++end_rows;
    if (r.phase == "production" && r.step <= 200) production_start += r.temperature, ++start_rows;
  }
  equilibration_end /= end_rows * temperature;
  EXPECT_TRUE(equilibration_end > 0.98 && equilibration_end < 0.997) << equilibration_end;
  // Production starts at T: its first 2 ps (about 10 independent values of the kinetic energy, each
  // scattering by sqrt(2 / 3N) = 2.8 %), on the on-step scale.
  const double start = production_start / start_rows * (t_on_step / t_mid);
  EXPECT_NEAR(start / temperature, 1.0, 3.0 * std::sqrt(2.0 / (3.0 * atoms)) / std::sqrt(10.0)) << start;
  // Over 100 ps at constant energy the temperature settles where the energy taken from equilibration
  // puts it: within about 1.5 % of T (the scatter of the potential energy at 864 atoms).
  EXPECT_NEAR(t_on_step / temperature, 1.0, 0.04);
  std::printf(
      "end of equilibration %.4f T (mid-step), start of production %.2f K, production %.2f K (on-step)\n",
      equilibration_end, start, t_on_step);

  // The log has every step (--thermo-every 1), so the test can form the summary's statistics itself.
  std::vector<double> times, totals, potentials, pressures, kinetics;
  double mid_sum = 0.0;
  for (const LogRow& r : log) {
    if (r.phase != "production") continue;
    mid_sum += r.temperature;
    times.push_back(r.time * 1e-3);  // ns
    totals.push_back(r.total_eps), potentials.push_back(r.potential_eps), kinetics.push_back(r.kinetic_eps);
    if (r.step % 10 == 0) pressures.push_back(r.pressure_bar);  // the pressure's samples
  }
  ASSERT_EQ(potentials.size(), 10000u);
  ASSERT_EQ(pressures.size(), 1000u);
  // The means over production: the library's thermometer and the potential energy, every step.
  EXPECT_NEAR(t_mid / (mid_sum / 10000.0), 1.0, 1e-12);
  double u_sum = 0.0;
  for (double u : potentials) u_sum += u;
  EXPECT_NEAR(json_number(json, "mean_potential_energy_eps_per_atom") / (u_sum / 10000.0), 1.0, 1e-12);
  // At constant energy the total holds still while its parts swing: its spread over production is a
  // fifth of the kinetic energy's (0.004 against 0.02 eps per atom, what is left being the jumps of the
  // truncated potential and the log's mid-step kinetic energy); a thermostat makes it the larger.
  const auto spread = [](const std::vector<double>& v) {
    double mean = 0.0, squares = 0.0;
    for (double x : v) mean += x / static_cast<double>(v.size());
    for (double x : v) squares += (x - mean) * (x - mean);
    return std::sqrt(squares / static_cast<double>(v.size()));
  };
  EXPECT_LT(spread(totals), 0.4 * spread(kinetics)) << spread(totals) << " against " << spread(kinetics);
  // The drift of the total energy (eps per atom per ns): within the band driver/README.md states, and
  // the least-squares slope of the log's rows (sums about their means, so nothing cancels).
  const double drift = json_number(json, "energy_drift_eps_per_atom_per_ns");
  EXPECT_LT(std::fabs(drift), 0.02);
  double t_mean = 0.0, e_mean = 0.0, stt = 0.0, ste = 0.0;
  for (std::size_t k = 0; k < times.size(); ++k)
    t_mean += times[k] / times.size(), e_mean += totals[k] / times.size();
  for (std::size_t k = 0; k < times.size(); ++k)
    stt += (times[k] - t_mean) * (times[k] - t_mean), ste += (times[k] - t_mean) * (totals[k] - e_mean);
  std::printf("drift %.6g eps per atom per ns; from the log's rows %.6g\n", drift, ste / stt);
  EXPECT_NEAR(drift, ste / stt, 1e-3 * std::fabs(drift) + 1e-7);

  // The error bars: blocks of 20 ps, 2000 steps of the potential energy and 200 samples of the pressure.
  EXPECT_NEAR(json_number(json, "mean_potential_energy_eps_per_atom_error") / block_error(potentials, 2000),
              1.0, 1e-9);
  EXPECT_NEAR(json_number(json, "mean_pressure_bar_error") / block_error(pressures, 200), 1.0, 1e-9);

  // D from the MSD's straight line between 2 and 10 ps: slope / 6, and 1 nm^2/ps = 1e-18 m^2 / 1e-12 s
  // = 1e-2 cm^2/s = 1000 x 1e-5 cm^2/s.
  const std::string msd = read_bytes("msd_argon.csv");
  const std::vector<double> t = test::csv_column(msd, 0), m = test::csv_column(msd, 1);
  double fn = 0, ft = 0, fm = 0, ftt = 0, ftm = 0;
  for (std::size_t k = 0; k < t.size(); ++k)
    if (t[k] > 2.0 - 1e-9 && t[k] < 10.0 + 1e-9)
      fn += 1, ft += t[k], fm += m[k], ftt += t[k] * t[k], ftm += t[k] * m[k];
  const double d_from_msd = (fn * ftm - ft * fm) / (fn * ftt - ft * ft) / 6.0 * 1000.0;
  EXPECT_NEAR(json_number(json, "diffusion_einstein_1e-5_cm2_per_s") / d_from_msd, 1.0, 1e-3);

  // LAMMPS at 120 K (row b) and 121 K (b+1), taken to our mean on-step temperature.
  const auto lammps = lammps_figures();
  const Lammps& b = lammps.at("b");
  const Lammps& b1 = lammps.at("b+1");
  const double dt = t_on_step - temperature;
  expect_agrees("U (eps per atom)", json_number(json, "mean_potential_energy_eps_per_atom"),
                json_number(json, "mean_potential_energy_eps_per_atom_error"), b.u + (b1.u - b.u) * dt,
                b.u_error);
  expect_agrees("P (bar)", json_number(json, "mean_pressure_bar"),
                json_number(json, "mean_pressure_bar_error"), b.p + (b1.p - b.p) * dt, b.p_error);
  expect_agrees("D Einstein (1e-5 cm^2/s)", json_number(json, "diffusion_einstein_1e-5_cm2_per_s"),
                json_number(json, "diffusion_einstein_error"), b.d + (b1.d - b.d) * dt, b.d_error);
  expect_agrees("D Green-Kubo (1e-5 cm^2/s)", json_number(json, "diffusion_green_kubo_1e-5_cm2_per_s"),
                json_number(json, "diffusion_green_kubo_error"), b.d + (b1.d - b.d) * dt, b.d_error);
  expect_agrees("eta (mPa s)", json_number(json, "viscosity_mPa_s"),
                json_number(json, "viscosity_mPa_s_error"), b.eta + (b1.eta - b.eta) * dt, b.eta_error);
}

}  // namespace
}  // namespace pelzak::md
