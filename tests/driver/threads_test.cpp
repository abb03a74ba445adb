// A whole pelzak_md run on 1, 2, 3 and 4 threads: every file of the set, byte for byte, and the
// summary it prints. The engine's test holds one force call to the plain loop; this one holds the
// whole job (lists rebuilt as the atoms move, the thermostats, g(r), the dynamics, the checkpoint),
// so that no sum anywhere picks up an order from the thread count.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "programs.hpp"
#include "support.hpp"

namespace {

using pelzak::test::driver_program;
using pelzak::test::generator_program;
using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;

constexpr int most_threads = 4;

struct Run {
  std::string out;                           // stdout, with the folder's name taken out
  std::map<std::string, std::string> files;  // every file the run left in its folder
};

Run run_with_threads(const std::vector<std::string>& options, int threads) {
  const std::string folder = "threads-" + std::to_string(threads);
  std::vector<std::string> argv = {driver_program, "-q", "-o", folder, "--threads", std::to_string(threads)};
  argv.insert(argv.end(), options.begin(), options.end());
  const auto r = run_program(argv);
  EXPECT_EQ(r.status, 0) << r.err;
  Run run;
  run.out = r.out;
  for (std::size_t at; (at = run.out.find(folder)) != std::string::npos;) run.out.erase(at, folder.size());
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    run.files[entry.path().filename().string()] = read_bytes(entry.path().string());
  return run;
}

void expect_same_on_every_thread_count(const std::vector<std::string>& options) {
  const Run one = run_with_threads(options, 1);
  EXPECT_GE(one.files.size(), 13u);  // the whole set, the trajectory included
  for (int threads = 2; threads <= most_threads; ++threads) {
    const Run other = run_with_threads(options, threads);
    EXPECT_EQ(other.out, one.out) << threads << " threads";
    ASSERT_EQ(other.files.size(), one.files.size()) << threads << " threads";
    for (const auto& [name, bytes] : one.files) {
      const auto found = other.files.find(name);
      ASSERT_NE(found, other.files.end()) << name << " missing with " << threads << " threads";
      EXPECT_TRUE(found->second == bytes) << name << " differs with " << threads << " threads";
    }
  }
}

// 500 atoms: a lattice not of 4 n^3 sites, so the threads' chunks of 32 rows end unevenly; csvr's
// random draws and the trajectory in the set.
TEST(DriverThreads, LatticeRunIsTheSameBytesOnOneToFourThreads) {
  ScratchDir dir;
  expect_same_on_every_thread_count({"--atoms", "500", "--density", "1.36245", "--thermostat", "csvr", "-p",
                                     "20", "-e", "20", "-P", "1000", "-x", "200"});
}

// The library's liquid from the generator's start: overlapping atoms thrown far in the push-off
// (free atoms of the Verlet list) and the library's rescaling.
TEST(DriverThreads, GeneratorStartRunIsTheSameBytesOnOneToFourThreads) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  expect_same_on_every_thread_count({"-p", "100", "-e", "0", "-P", "1000", "-x", "250"});
}

}  // namespace
