#include <gtest/gtest.h>

#include <vector>

#include "options.hpp"
#include "state_point.hpp"

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
  EXPECT_EQ(p.options.thermo_every, 10);
  EXPECT_EQ(p.options.xyz_every, 0);
  EXPECT_FALSE(p.options.quiet);
  // The state point: the library's liquid.
  EXPECT_EQ(p.options.atoms, 0);
  EXPECT_EQ(p.options.temperature, model::target_temperature);
  EXPECT_EQ(p.options.density, 0.0);
  EXPECT_EQ(p.options.cutoff_sigma, 2.25);
  EXPECT_FALSE(p.options.tail);
  EXPECT_EQ(p.options.thermostat, engine::Thermostat::rescale);
  EXPECT_EQ(state_point(p.options).time_step, model::dt);
  EXPECT_EQ(engine::state_box(run_atoms(p.options), p.options.density), model::box);
}

TEST(DriverOptions, StateOptionsSetTheStatePoint) {
  const Parsed p = parse({"--temperature", "120", "--density=1.2", "--atoms", "4000", "--cutoff", "3",
                          "--tail", "--time-step", "0.005", "--thermostat", "csvr", "--tau", "0.5", "--seed",
                          "7", "--threads", "2"});
  ASSERT_EQ(p.action, Action::run) << p.error;
  const engine::StatePoint s = state_point(p.options);
  EXPECT_EQ(s.atoms, 4000);
  EXPECT_EQ(s.temperature, 120.0);
  EXPECT_EQ(s.box, engine::state_box(4000, 1.2));
  EXPECT_EQ(s.cutoff_sigma, 3.0);
  EXPECT_TRUE(s.tail);
  EXPECT_EQ(s.time_step, static_cast<double>(0.005f));
  EXPECT_EQ(s.thermostat, engine::Thermostat::csvr);
  EXPECT_EQ(s.tau, 0.5);
  EXPECT_EQ(s.seed, 7u);
  EXPECT_EQ(p.options.threads, 2);
  EXPECT_EQ(parse({"--time-step", "0.0100"}).options.time_step_decimals, 2);  // 0.01, the library's step
  EXPECT_EQ(state_point(parse({"--time-step", ".01"}).options).time_step, model::dt);
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
  EXPECT_EQ(p.options.equilibration_steps, engine::max_steps);
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
      {{"--push-off"}, "option '--push-off' needs a value"},
      {{"-e"}, "option '-e' needs a number"},
      {{"--push-off", "-3"},
       "value '-3' of --push-off is negative; accepted: a whole number from 0 to 1000000000"},
      {{"--push-off", "+3"}, "is not a whole number"},
      {{"--push-off", " 3"}, "is not a whole number"},
      {{"--push-off", "3 "}, "is not a whole number"},
      {{"--push-off", "3.0"}, "is not written as a whole number in digits"},
      {{"--production", "1e9"},
       "is not written as a whole number in digits; accepted: a whole number from 1000 to"},
      {{"--push-off", ""}, "is not a whole number"},
      {{"--push-off="}, "is not a whole number"},
      {{"--equilibration", "1000000001"}, "is too large; accepted: a whole number from 0 to 1000000000"},
      {{"--equilibration", "99999999999999999999999"}, "is too large"},
      {{"--thermo-every", "0"}, "value '0' of --thermo-every is too small; accepted: a whole number from 1"},
      {{"--production", "-1"}, "value '-1' of --production is negative; accepted: a whole number from 1000"},
      {{"--temperature", "0"},
       "value '0' of --temperature is out of range; accepted: a temperature in K above 0"},
      {{"--temperature", "nan"}, "value 'nan' of --temperature is out of range"},
      {{"--temperature", "hot"}, "value 'hot' of --temperature is not a number"},
      {{"--density", "-1"}, "value '-1' of --density is out of range"},
      {{"--atoms", "1"}, "value '1' of --atoms is too small; accepted: a whole number from 2 to"},
      {{"--time-step", "1e-3"},
       "value '1e-3' of --time-step is not a decimal number; accepted: a time step in ps"},
      {{"--time-step", "0"}, "value '0' of --time-step is out of range"},
      {{"--thermostat", "nose"}, "value 'nose' of --thermostat is not one of rescale, csvr, none"},
      {{"--tau", "1"}, "--tau is csvr's relaxation time: give it with --thermostat csvr"},
      {{"--cutoff", "6"},
       "value '6' of --cutoff is beyond half the box; accepted: at most 5.1145 sigma for 864 atoms"},
      {{"--atoms", "100", "--cutoff", "3"}, "accepted: at most 2.4925 sigma for 100 atoms at 1.36245 g/cm^3"},
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

// Another front end's arguments get the command line's rules and reasons; help and version are
// not options there.
TEST(DriverOptions, OptionsFromArgumentsAreTheCommandLines) {
  Options o;
  EXPECT_EQ(options_from_arguments({"--temperature", "120", "--thermostat", "csvr", "--quiet"}, &o), "");
  EXPECT_EQ(o.temperature, 120.0);
  EXPECT_EQ(o.thermostat, engine::Thermostat::csvr);
  EXPECT_TRUE(o.quiet);
  const Options before = o;
  EXPECT_EQ(options_from_arguments({"--push-off", "-1"}, &o),
            "value '-1' of --push-off is negative; accepted: a whole number from 0 to 1000000000");
  EXPECT_EQ(options_from_arguments({"--help"}, &o), "--help and --version are not run options");
  EXPECT_EQ(o.temperature, before.temperature);  // untouched by a refusal
}

}  // namespace
}  // namespace pelzak::md
