#include <gtest/gtest.h>

#include <vector>

#include "options.hpp"

namespace pelzak::md {
namespace {

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "pelzak_md");
  return parse_options(static_cast<int>(args.size()), args.data());
}

TEST(DriverOptions, DefaultsWithoutArguments) {
  const Parsed p = parse({});
  EXPECT_EQ(p.action, Action::run);
  EXPECT_EQ(p.options.push_off_steps, 500);
  EXPECT_EQ(p.options.equilibration_steps, 1500);
  EXPECT_EQ(p.options.thermo_every, 1);
  EXPECT_EQ(p.options.xyz_every, 0);
  EXPECT_FALSE(p.options.quiet);
}

TEST(DriverOptions, LongShortAndEqualsFormsAllSet) {
  Parsed p = parse({"--push-off", "7", "--equilibration=2000", "-t", "10", "-x", "20", "-q"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  EXPECT_EQ(p.options.push_off_steps, 7);
  EXPECT_EQ(p.options.equilibration_steps, 2000);
  EXPECT_EQ(p.options.thermo_every, 10);
  EXPECT_EQ(p.options.xyz_every, 20);
  EXPECT_TRUE(p.options.quiet);
  p = parse({"-p", "0", "-e", "0", "--xyz-every=0", "--quiet"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  EXPECT_EQ(p.options.push_off_steps, 0);
  EXPECT_EQ(p.options.equilibration_steps, 0);
  p = parse({"--equilibration", "1000000000"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  EXPECT_EQ(p.options.equilibration_steps, max_steps);
}

TEST(DriverOptions, ShortOptionsGroupAndTakeAttachedValuesTheLastOccurrenceWins) {
  Parsed p = parse({"-qp", "10"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  EXPECT_TRUE(p.options.quiet);
  EXPECT_EQ(p.options.push_off_steps, 10);
  p = parse({"-qe20", "-x5", "-t", "3", "-p", "5", "-p", "7"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  EXPECT_TRUE(p.options.quiet);
  EXPECT_EQ(p.options.equilibration_steps, 20);
  EXPECT_EQ(p.options.xyz_every, 5);
  EXPECT_EQ(p.options.thermo_every, 3);
  EXPECT_EQ(p.options.push_off_steps, 7);
}

TEST(DriverOptions, HelpAndVersionWinWhereTheyStand) {
  EXPECT_EQ(parse({"--help"}).action, Action::help);
  EXPECT_EQ(parse({"-qh"}).action, Action::help);
  EXPECT_EQ(parse({"--help", "-e", "ten"}).action, Action::help);
  EXPECT_EQ(parse({"-e", "ten", "--help"}).action, Action::usage_error);
  EXPECT_EQ(parse({"-V", "--quiet=1"}).action, Action::version);
  EXPECT_EQ(parse({"-q", "-h", "--bogus"}).action, Action::help);
  EXPECT_EQ(parse({"--version"}).action, Action::version);
  EXPECT_EQ(parse({"-V"}).action, Action::version);
  EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::usage_error);
  EXPECT_EQ(version_text().rfind("pelzak_md ", 0), 0u);
  EXPECT_NE(usage_text().find("--equilibration"), std::string::npos);
}

TEST(DriverOptions, BadValuesAreUsageErrorsThatNameTheProblem) {
  struct Case {
    std::vector<const char*> args;
    const char* expected;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-z"}, "unknown option '-z'"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--push-off"}, "option '--push-off' needs a number"},
      {{"-e"}, "option '-e' needs a number"},
      {{"--push-off", "-3"}, "value '-3' of --push-off is not a whole number"},
      {{"--push-off", "+3"}, "is not a whole number"},
      {{"--push-off", " 3"}, "is not a whole number"},
      {{"--push-off", "3 "}, "is not a whole number"},
      {{"--push-off", "3.0"}, "is not a whole number"},
      {{"--push-off", "1e3"}, "is not a whole number"},
      {{"--push-off", ""}, "is not a whole number"},
      {{"--push-off="}, "is not a whole number"},
      {{"--equilibration", "1000000001"}, "is too large (at most 1000000000)"},
      {{"--equilibration", "99999999999999999999999"}, "is too large"},
      {{"--thermo-every", "0"}, "value '0' of --thermo-every must be at least 1"},
      {{"--push-offs=3"}, "unknown option '--push-offs=3'"},
      {{"--push", "3"}, "unknown option '--push'"},  // no abbreviations
      {{"--quiet=1"}, "option '--quiet' takes no value"},
      {{"--quiet="}, "option '--quiet' takes no value"},
      {{"--quiet=true"}, "option '--quiet' takes no value"},
      {{"--help=yes"}, "option '--help' takes no value"},
      {{"--version=2"}, "option '--version' takes no value"},
      {{"-qp"}, "option '-p' needs a number"},
      {{"-p", "-q"}, "value '-q' of --push-off is not a whole number"},
      {{"-p", "1", "--", "-q"}, "unknown option '--'"},
      {{"--bogus", "-e", "ten"}, "unknown option '--bogus'"},  // the first problem on the line
      {{"-e", "ten", "--bogus"}, "value 'ten' of --equilibration is not a whole number"},
  };
  for (const Case& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.action, Action::usage_error) << c.args[0];
    EXPECT_NE(p.error.find(c.expected), std::string::npos) << "got: " << p.error;
  }
}

}  // namespace
}  // namespace pelzak::md
