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
            "potential_eps_per_atom,kinetic_eps_per_atom,total_eps_per_atom\n");
}

TEST(DriverThermoLog, TimeIsAnExactDecimalOfHundredths) {
  EXPECT_EQ(time_text(0), "0.00");
  EXPECT_EQ(time_text(1), "0.01");
  EXPECT_EQ(time_text(10), "0.10");
  EXPECT_EQ(time_text(100), "1.00");
  EXPECT_EQ(time_text(3000), "30.00");
  EXPECT_EQ(time_text(123456789), "1234567.89");
}

TEST(DriverThermoLog, RowRoundTripsEveryNumberAndSumsTheTotal) {
  const double pe = -7.1234567890123456e-18, ke = 1.6881234567890123e-18, t = 94.40000000000001;
  const std::string row = thermo_row("production", 17, 2017, pe, ke, t);
  ASSERT_EQ(row.back(), '\n');
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    fields.push_back(row.substr(start, comma - start));
  fields.push_back(row.substr(start, row.size() - 1 - start));
  ASSERT_EQ(fields.size(), 10u) << row;
  EXPECT_EQ(fields[0], "production");
  EXPECT_EQ(fields[1], "17");
  EXPECT_EQ(fields[2], "20.17");
  // The energies per atom in epsilon: E / (864 * 1.6569999837666814e-21 J), the unit of the summary.
  const double expected[] = {pe, ke, pe + ke, t, -4.975704124756587, 1.1791470203061378, -3.7965571044504487};
  for (int n = 0; n < 7; ++n) {
    double v = 0.0;
    const std::string& f = fields[3 + n];
    ASSERT_EQ(std::from_chars(f.data(), f.data() + f.size(), v).ec, std::errc()) << f;
    EXPECT_EQ(v, expected[n]) << f;
  }
}

TEST(DriverThermoLog, NonFiniteValuesAreWrittenReadably) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(thermo_row("push-off", 1, 1, std::nan(""), inf, -inf),
            "push-off,1,0.01,nan,inf,nan,-inf,nan,inf,nan\n");
}

}  // namespace
}  // namespace pelzak::md
