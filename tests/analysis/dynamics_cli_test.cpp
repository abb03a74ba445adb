// pelzak_md's dynamics files on a short run: what they hold, that the option choosing the
// production length is checked, and that they belong to the run's set of results.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "programs.hpp"
#include "support.hpp"

namespace {

using pelzak::test::contains;

using pelzak::test::driver_program;
using pelzak::test::generator_program;
using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;

const char* const dynamics_files[] = {"msd_argon.csv", "vacf_argon.csv", "spectrum_argon.csv",
                                      "dynamics_argon.svg"};

TEST(AnalysisCli, ShortProductionWritesEveryDynamicsFile) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  for (const char* name : dynamics_files) write_bytes(name, "an earlier run's result\n");
  const auto r = run_program({driver_program, "-q", "-p", "300", "-e", "200", "--production=1000"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 1000 steps: MSD lags up to half of them (5 ps, 51 rows every 0.1 ps), VACF lags up to 5.08 ps
  // (128 rows every 0.04 ps), the spectrum from 0 to 8 THz every 0.01 THz.
  const auto msd = split_lines(read_bytes("msd_argon.csv"));
  ASSERT_EQ(msd.size(), 1u + 51);
  EXPECT_EQ(msd[0], "t_ps,msd_nm2,alpha2");
  EXPECT_EQ(msd[1], "0,0,0");
  EXPECT_EQ(msd[51].rfind("5,", 0), 0u) << msd[51];
  const auto vacf = split_lines(read_bytes("vacf_argon.csv"));
  ASSERT_EQ(vacf.size(), 1u + 128);
  EXPECT_EQ(vacf[0], "t_ps,vacf");
  EXPECT_EQ(vacf[1], "0,1");
  EXPECT_EQ(vacf[2].rfind("0.04,0.9", 0), 0u) << vacf[2];
  EXPECT_EQ(vacf[128].rfind("5.08,", 0), 0u) << vacf[128];
  const auto spectrum = split_lines(read_bytes("spectrum_argon.csv"));
  ASSERT_EQ(spectrum.size(), 1u + 801);
  EXPECT_EQ(spectrum[0], "nu_THz,dos_per_THz");
  EXPECT_EQ(spectrum[801].rfind("8,", 0), 0u) << spectrum[801];
  EXPECT_TRUE(contains(read_bytes("dynamics_argon.svg"), "1000 production steps of 0.01 ps"));
  // 10 ps of production: one 10 ps block, too few for an uncertainty, which says so.
  EXPECT_TRUE(
      contains(r.out, " e-5 cm^2/s (Einstein; too short for an error, which needs 50 ps of frames)\n"))
      << r.out;
  EXPECT_TRUE(
      contains(r.out,
               "e-5 cm^2/s (Green-Kubo; too short for an error, which needs 40.96 ps of frames)\nVACF: "
               "first zero at 0.3"))
      << r.out;
  EXPECT_TRUE(contains(
      r.out,
      "wrote thermo_argon.csv, thermo_argon.svg, msd_argon.csv, vacf_argon.csv, spectrum_argon.csv, "
      "rdf_argon.svg, rdf_production_argon.csv, dynamics_argon.svg, vanhove_argon.csv, fsk_argon.csv, "
      "sk_argon.csv, scattering_argon.svg, final_argon.dat, checkpoint_argon.bin, "
      "summary_argon.json, rdf_argon.dat\n"))
      << r.out;
  // Every 10th step of each phase and its first: 31 + 21 + 101 rows.
  EXPECT_EQ(split_lines(read_bytes("thermo_argon.csv")).size(), 1u + 31 + 21 + 101);
}

TEST(AnalysisCli, ProductionShorterThanTheRdfScheduleIsAUsageError) {
  ScratchDir dir;
  for (const char* arg : {"-P", "--production"}) {
    const auto r = run_program({driver_program, arg, "999"});
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(split_lines(r.err)[0],
              "pelzak_md: value '999' of --production is too small; accepted: a whole number from 1000 to "
              "1000000000");
  }
  const auto help = run_program({driver_program, "--help"});
  EXPECT_TRUE(contains(help.out, "-P, --production N")) << help.out;
  EXPECT_TRUE(contains(help.out, "dynamics_argon.svg")) << help.out;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(AnalysisCli, ARunThatFailsLeavesTheEarlierDynamicsFilesAsTheyWere) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  for (const char* name : dynamics_files) write_bytes(name, std::string("an earlier run's ") + name + "\n");
  const auto r = run_program({driver_program, "-q", "--push-off", "0"});  // blows up in equilibration
  EXPECT_EQ(r.status, 3);
  for (const char* name : dynamics_files)
    EXPECT_EQ(read_bytes(name), std::string("an earlier run's ") + name + "\n") << name;
  EXPECT_FALSE(std::filesystem::exists(".pelzak_md-staging"));
}

TEST(AnalysisCli, ADirectoryInTheWayOfAResultStopsTheRunBeforeItStarts) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  ASSERT_EQ(mkdir("vacf_argon.csv", 0755), 0);
  const auto r = run_program({driver_program, "-q"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "pelzak_md: \"vacf_argon.csv\" is a directory: move it away so the result can be written\n");
  EXPECT_FALSE(std::filesystem::exists("thermo_argon.csv"));  // refused before anything was written
}

}  // namespace
