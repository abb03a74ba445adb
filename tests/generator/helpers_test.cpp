// The generator's numeric routines, called through the link names C and Fortran callers use:
// the uniform stream behind random_range_, prob_ and __dynamic_arrays_MOD_append.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "dynamic_arrays.hpp"
#include "link_names.hpp"
#include "pelzak_model.h"
#include "prob.hpp"
#include "random_range.hpp"

namespace model = pelzak::model;

using pelzak::initial::DoubleList;

namespace {

double random_range(double lower, double upper) { return pelzak_random_range(&lower, &upper); }
double prob(double v, double mass, double temperature) { return pelzak_prob(&v, &mass, &temperature); }

}  // namespace

TEST(RandomRange, StreamIsTheStandardMersenneTwisterCutTo24Bits) {
  pelzak::initial::restart_uniform_stream();
  // The first two outputs of mt19937 from its standard seed 5489 are 3499211612 and 581869302.
  EXPECT_EQ(pelzak::initial::next_uniform(), static_cast<float>(3499211612u >> 8) * 0x1p-24f);
  EXPECT_EQ(random_range(2.0, 6.0), 2.0 + 4.0 * static_cast<double>((581869302u >> 8) * 0x1p-24));
  // The standard fixes the 10000th output of a default-seeded mt19937 to 4123659995.
  pelzak::initial::restart_uniform_stream();
  for (int i = 1; i < 10000; ++i) pelzak::initial::next_uniform();
  EXPECT_EQ(pelzak::initial::next_uniform(), static_cast<float>(4123659995u >> 8) * 0x1p-24f);
}

TEST(RandomRange, DrawsAreOnA24BitGridInsideTheHalfOpenRange) {
  pelzak::initial::restart_uniform_stream();
  float lowest = 1.0f, highest = 0.0f;
  for (int i = 0; i < 200000; ++i) {
    const float r = pelzak::initial::next_uniform();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    ASSERT_EQ(r * 0x1p24f, std::floor(r * 0x1p24f));
    lowest = std::min(lowest, r);
    highest = std::max(highest, r);
  }
  EXPECT_LT(lowest, 1e-4f);
  EXPECT_GT(highest, 1.0f - 1e-4f);
  // Restarting gives the same sequence; a range of width zero returns its lower end.
  pelzak::initial::restart_uniform_stream();
  const double first = random_range(-1.5, 1.5);
  pelzak::initial::restart_uniform_stream();
  EXPECT_EQ(random_range(-1.5, 1.5), first);
  EXPECT_EQ(random_range(0.25, 0.25), 0.25);
}

TEST(Prob, IsTheMaxwellBoltzmannDensityOfOneVelocityComponent) {
  const double T = 94.4;
  // At v = 0 only the normalisation is left.
  const double peak = std::sqrt(model::mass / (2 * model::pi * model::boltzmann * T));
  EXPECT_NEAR(prob(0.0, model::mass, T), peak, 2 * std::numeric_limits<double>::epsilon() * peak);
  EXPECT_NEAR(peak, 2.8461e-3, 1e-7);  // s/m: argon at 94.4 K
  // One input pinned to the bit (each operation rounded on its own, worked out in 200-bit arithmetic).
  EXPECT_EQ(prob(150.0, model::mass, T), 0x1.a4d88e901511fp-10);
  // Symmetric in v, to the bit.
  for (double v : {1e-3, 17.25, 140.17, 555.5, 1e4})
    EXPECT_EQ(prob(-v, model::mass, T), prob(v, model::mass, T));
  // A density: unit area, variance kB T / m (trapezoid rule over +-12 sigma).
  const double sigma = std::sqrt(model::boltzmann * T / model::mass);
  const int steps = 24000;
  const double h = 24 * sigma / steps;
  double area = 0, second = 0;
  for (int i = 0; i <= steps; ++i) {
    const double v = -12 * sigma + i * h;
    const double w = (i == 0 || i == steps) ? 0.5 * h : h;
    area += w * prob(v, model::mass, T);
    second += w * v * v * prob(v, model::mass, T);
  }
  EXPECT_NEAR(area, 1.0, 1e-9);
  EXPECT_NEAR(second / (sigma * sigma), 1.0, 1e-9);
  // Matches the C++ entry point.
  EXPECT_EQ(prob(150.0, model::mass, T), pelzak::initial::prob(150.0, model::mass, T));
}

TEST(Append, GrowsByOneElementKeepingTheOldOnes) {
  DoubleList list{nullptr, 0};
  double value = 1.0;
  pelzak_append(&list, &value);
  ASSERT_NE(list.data, nullptr);
  ASSERT_EQ(list.size, 1);
  EXPECT_EQ(list.data[0], 1.0);
  for (double v : {2.0, 3.0}) pelzak_append(&list, &v);
  ASSERT_EQ(list.size, 3);
  EXPECT_EQ(list.data[0], 1.0);
  EXPECT_EQ(list.data[1], 2.0);
  EXPECT_EQ(list.data[2], 3.0);
  // A thousand appends, each a fresh block of exactly the new size (the sanitizer pass catches
  // a read or write past it).
  for (int i = 4; i <= 1000; ++i) pelzak::initial::append(list, static_cast<double>(i));
  ASSERT_EQ(list.size, 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(list.data[i], i + 1.0);
  std::free(list.data);
}

TEST(Append, CopiesAnElementOfTheListItself) {
  DoubleList list{nullptr, 0};
  for (double v : {-7.5, 2.25}) pelzak_append(&list, &v);
  // The element lives in the block that append replaces: it must be stored before that block goes.
  pelzak_append(&list, &list.data[list.size - 1]);
  pelzak_append(&list, &list.data[0]);
  ASSERT_EQ(list.size, 4);
  EXPECT_EQ(list.data[2], 2.25);
  EXPECT_EQ(list.data[3], -7.5);
  std::free(list.data);
}

TEST(Append, AllocatedListWithEmptyBoundsGetsItsFirstElement) {
  DoubleList list{static_cast<double*>(std::malloc(sizeof(double))), 0};
  const double value = 4.0;
  pelzak_append(&list, &value);
  ASSERT_EQ(list.size, 1);
  EXPECT_EQ(list.data[0], 4.0);
  list.size = -3;  // bounds such as 1..-2 are empty too
  pelzak_append(&list, &value);
  ASSERT_EQ(list.size, 1);
  std::free(list.data);
}

TEST(AppendDeathTest, ListAtTheLargestFourByteCountCannotGrow) {
  // The count check comes before any copy: the one real element is never read past.
  double one = 1.0;
  DoubleList list{&one, std::numeric_limits<std::int32_t>::max()};
  const double value = 2.0;
  EXPECT_EXIT(pelzak_append(&list, &value), testing::ExitedWithCode(1),
              "^pelzak_initial: append: Allocation would exceed memory limit\n$");
}

#if defined(__SANITIZE_ADDRESS__)
#define PELZAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELZAK_UNDER_ASAN 1
#endif
#endif

#ifndef PELZAK_UNDER_ASAN
// In a death-test child: 40 million elements (320 MB) exist, then the address space is capped
// 64 MB above what is in use, so the block for the copy cannot be had.
void append_beyond_address_space_cap() {
  const int n = 40'000'000;
  DoubleList list{static_cast<double*>(std::calloc(n, sizeof(double))), n};
  if (list.data == nullptr) std::exit(3);
  long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  if (pages == 0) std::exit(4);
  const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
  const struct rlimit limit { cap, cap };
  if (setrlimit(RLIMIT_AS, &limit) != 0) std::exit(5);
  const double value = 1.0;
  pelzak_append(&list, &value);
  std::exit(0);
}
#endif

TEST(AppendDeathTest, RefusedAllocationEndsTheProcessWithTheDiagnostic) {
#ifdef PELZAK_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves address space that a lowered RLIMIT_AS would break";
#else
  EXPECT_EXIT(append_beyond_address_space_cap(), testing::ExitedWithCode(1),
              "Allocation would exceed memory limit\n$");
#endif
}
