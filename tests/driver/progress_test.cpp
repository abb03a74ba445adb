#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "progress.hpp"

namespace pelzak::md {
namespace {

TEST(DriverProgress, BarShowsPhaseFillStepTemperatureAndSpeed) {
  const std::string line = progress_bar_line("equilibration", 750, 1500, 94.449, 412.4);
  EXPECT_EQ(line.front(), '\r');
  EXPECT_NE(line.find("equilibration [###############...............] 750/1500"), std::string::npos) << line;
  EXPECT_NE(line.find("T = 94.4 K"), std::string::npos) << line;
  EXPECT_NE(line.find("412 steps/s"), std::string::npos) << line;
  // Fixed width, so that a shorter redraw overwrites a longer one completely.
  EXPECT_EQ(line.size(), progress_bar_line("push-off", 1, 500, 1.0e9, 0.0).size());
  EXPECT_NE(progress_bar_line("push-off", 1, 500, 1.0e9, 0.0).find("- steps/s"), std::string::npos);
}

TEST(DriverProgress, BarIsEmptyAtStartAndFullAtEnd) {
  EXPECT_NE(progress_bar_line("production", 0, 1000, 94.4, 1).find("[......"), std::string::npos);
  EXPECT_NE(progress_bar_line("production", 1000, 1000, 94.4, 1).find("######]"), std::string::npos);
}

TEST(DriverProgress, PlainLineIsOneReadableLine) {
  EXPECT_EQ(progress_plain_line("production", 250, 1000, 94.42, 300.6),
            "production step 250/1000: T = 94.4 K, 301 steps/s\n");
  EXPECT_EQ(progress_plain_line("push-off", 1, 500, std::nan(""), 0.0),
            "push-off step 1/500: T = nan K, - steps/s\n");
}

TEST(DriverProgress, RunawayNumbersStayShort) {
  EXPECT_EQ(progress_plain_line("equilibration", 4, 1500, 3.1653220731e33, 2.5e6),
            "equilibration step 4/1500: T = 3.165e+33 K, 2.500e+06 steps/s\n");
  EXPECT_EQ(progress_plain_line("equilibration", 5, 1500, INFINITY, 999999.4),
            "equilibration step 5/1500: T = inf K, 999999 steps/s\n");
  EXPECT_EQ(progress_bar_line("push-off", 3, 500, -std::nan(""), 1.0).find("-nan"), std::string::npos);
}

TEST(DriverProgress, PlainModeWritesEveryFewHundredStepsAndAtTheEnd) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  Progress p = progress_open(f, false);
  EXPECT_EQ(p.mode, ProgressMode::plain);  // a file is not a terminal
  progress_begin_phase(p, "equilibration", 600);
  for (int n = 1; n <= 600; ++n) progress_step(p, n, 94.4);
  progress_end_phase(p);
  std::rewind(f);
  char buf[4096] = {};
  const size_t got = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  const std::string text(buf, got);
  EXPECT_NE(text.find("equilibration step 250/600"), std::string::npos) << text;
  EXPECT_NE(text.find("equilibration step 500/600"), std::string::npos) << text;
  EXPECT_NE(text.find("equilibration step 600/600"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST(DriverProgress, QuietWritesNothing) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  Progress p = progress_open(f, true);
  EXPECT_EQ(p.mode, ProgressMode::off);
  progress_begin_phase(p, "production", 10);
  for (int n = 1; n <= 10; ++n) progress_step(p, n, 94.4);
  progress_end_phase(p);
  EXPECT_EQ(std::ftell(f), 0);
  std::fclose(f);
}

}  // namespace
}  // namespace pelzak::md
