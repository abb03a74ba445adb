#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "support.hpp"
#include "thermo_log.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::split_lines;

TEST(DriverThermoLog, HeaderNamesEveryColumnWithItsUnit) {
  EXPECT_EQ(thermo_header(),
            "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,"
            "potential_eps_per_atom,kinetic_eps_per_atom,total_eps_per_atom,pressure_bar\n");
}

// Options with the time step units * 10^-decimals ps.
Options with_step(std::int64_t units, int decimals) {
  Options o;
  o.atoms = model::atoms;
  o.time_step_units = units;
  o.time_step_decimals = decimals;
  return o;
}

TEST(DriverThermoLog, TimeIsAnExactDecimalOfTheTimeStep) {
  const Options o = with_step(1, 2);  // 0.01 ps, the default
  EXPECT_EQ(time_text(0, o), "0.00");
  EXPECT_EQ(time_text(1, o), "0.01");
  EXPECT_EQ(time_text(10, o), "0.10");
  EXPECT_EQ(time_text(100, o), "1.00");
  EXPECT_EQ(time_text(123456789, o), "1234567.89");
  EXPECT_EQ(time_text(3, with_step(25, 4)), "0.0075");  // 0.0025 ps
  EXPECT_EQ(time_text(7, with_step(2, 1)), "1.4");      // 0.2 ps
  EXPECT_EQ(time_text(7, with_step(1, 0)), "7");        // 1 ps
}

TEST(DriverThermoLog, RowRoundTripsEveryNumberAndSumsTheTotal) {
  const double pe = -7.1234567890123456e-18, ke = 1.6881234567890123e-18, t = 94.40000000000001;
  engine::StepReport r;
  r.potential = pe, r.kinetic = ke, r.temperature = t, r.pressure = 41234567.891;
  const std::string row = thermo_row("production", 17, 2017, r, with_step(1, 2));
  ASSERT_EQ(row.back(), '\n');
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    fields.push_back(row.substr(start, comma - start));
  fields.push_back(row.substr(start, row.size() - 1 - start));
  ASSERT_EQ(fields.size(), 11u) << row;
  EXPECT_EQ(fields[0], "production");
  EXPECT_EQ(fields[1], "17");
  EXPECT_EQ(fields[2], "20.17");
  // The energies per atom in epsilon: E / (864 * 1.6569999837666814e-21 J), the unit of the summary.
  // The pressure in bar.
  const double expected[] = {
      pe, ke, pe + ke, t, -4.975704124756587, 1.1791470203061378, -3.7965571044504487, 412.34567891};
  for (int n = 0; n < 8; ++n) {
    double v = 0.0;
    const std::string& f = fields[3 + n];
    ASSERT_EQ(std::from_chars(f.data(), f.data() + f.size(), v).ec, std::errc()) << f;
    EXPECT_EQ(v, expected[n]) << f;
  }
}

TEST(DriverThermoLog, NonFiniteValuesAreWrittenReadably) {
  const double inf = std::numeric_limits<double>::infinity();
  engine::StepReport r;
  r.potential = std::nan(""), r.kinetic = inf, r.temperature = -inf, r.pressure = inf;
  EXPECT_EQ(thermo_row("push-off", 1, 1, r, with_step(1, 2)),
            "push-off,1,0.01,nan,inf,nan,-inf,nan,inf,nan,inf\n");
}

}  // namespace
}  // namespace pelzak::md
