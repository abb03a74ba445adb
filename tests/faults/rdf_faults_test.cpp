// "rdf_argon.dat" that cannot be created, is write-protected, or runs out of room while the 200
// lines are written. (An unwritable directory and /dev/full are covered by the library's own
// tests.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "configs.hpp"
#include "limited_run.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;
using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;
using testing::ExitedWithCode;

namespace {

constexpr std::size_t output_bytes = 200 * 53;

void call(std::int64_t step, double* histogram) {
  static const Config nowhere = nan_config();  // no pair is counted
  auxiliary_radial_dist(&step, nowhere.data(), histogram);
}

// Step 1 and then `outputs` calls with step 1000, in a child whose files may grow to limit
// bytes (writes beyond fail as on a full disk).
pelzak::test::RunResult run_with_room(rlim_t limit, int outputs) {
  return pelzak::test::in_child_with_file_limit(limit, [outputs] {
    double histogram[model::bins];
    call(1, histogram);
    for (int n = 0; n < outputs; ++n) call(1000, histogram);
  });
}

}  // namespace

TEST(FaultsRdfFileDeathTest, ADirectoryInTheFilesPlace) {
  ScratchDir dir;
  ASSERT_EQ(mkdir("rdf_argon.dat", 0755), 0);
  double histogram[model::bins];
  EXPECT_EXIT(call(1, histogram), ExitedWithCode(2),
              "^pelzak_aux: \"rdf_argon.dat\": cannot open for writing: Is a directory\n$");
}

TEST(FaultsRdfFileDeathTest, AWriteProtectedFileIsLeftAsItWas) {
  if (!pelzak::test::can_test_permissions()) GTEST_SKIP() << "cannot drop privileges here";
  ScratchDir dir;
  write_bytes("rdf_argon.dat", "an earlier result\n");
  ASSERT_EQ(chmod("rdf_argon.dat", 0444), 0);
  double histogram[model::bins];
  EXPECT_EXIT(
      {
        if (!pelzak::test::drop_privileges()) std::_Exit(99);
        call(1, histogram);
      },
      ExitedWithCode(2), "^pelzak_aux: \"rdf_argon.dat\": cannot open for writing: Permission denied\n$");
  EXPECT_EQ(read_bytes("rdf_argon.dat"), "an earlier result\n");
}

// A disk that fills up part-way through the 200 lines: the process stops with the reason, and the
// file keeps no partial result that could pass for a complete one.
TEST(FaultsRdfFile, RunningOutOfRoomLeavesNoPartialResult) {
  const std::string diagnostic = "pelzak_aux: \"rdf_argon.dat\": cannot write g(r): File too large\n";
  for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{52}, std::size_t{53},
                            output_bytes / 2, output_bytes - 1}) {
    ScratchDir dir;
    const auto r = run_with_room(limit, 1);
    EXPECT_EQ(r.status, 2) << limit;
    EXPECT_EQ(r.err, diagnostic) << limit;
    EXPECT_EQ(read_bytes("rdf_argon.dat"), "") << limit;
  }
  // A second output that runs out of room leaves the first one whole.
  {
    ScratchDir dir;
    const auto r = run_with_room(output_bytes + 1000, 2);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, diagnostic);
    const std::string left = read_bytes("rdf_argon.dat");
    EXPECT_EQ(left.size(), output_bytes);
    EXPECT_EQ(split_lines(left).size(), 200u);
  }
  // With room for exactly one output it succeeds.
  ScratchDir dir;
  const auto r = run_with_room(output_bytes, 1);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_bytes("rdf_argon.dat").size(), output_bytes);
}
