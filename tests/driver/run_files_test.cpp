// pelzak_md's results as one set. Interrupted at any moment, refused, or failed, a run leaves the
// earlier results byte for byte as they were and nothing of its own; a run that completes replaces
// the whole set, removing the files of an earlier run that it did not write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "limited_run.hpp"
#include "options.hpp"
#include "pelzak/driver/job.hpp"
#include "programs.hpp"
#include "run_fixtures.hpp"
#include "support.hpp"

namespace {

using namespace pelzak::test;
using Snapshot = std::map<std::string, std::string>;

// The earlier run: a short job with a trajectory. The new run: another short job, without one,
// so that every file of the set differs and the trajectory is an earlier file it does not write.
// Both with the shortest production, 1000 steps.
const std::vector<std::string> earlier_run = {"-q",   "-p", "100", "-e", "0",  "-P",
                                              "1000", "-t", "100", "-x", "400"};
const std::vector<std::string> new_run = {"-q", "-p", "120", "-e", "200", "-P", "1000", "-t", "50"};

std::vector<std::string> driver(const std::vector<std::string>& args) {
  std::vector<std::string> argv{driver_program};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

// The names whose entries differ between two snapshots, for failure messages.
std::string differences(const Snapshot& a, const Snapshot& b) {
  std::string names;
  for (const auto& [name, bytes] : a)
    if (!b.count(name) || b.at(name) != bytes) names += " " + name;
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) names += " +" + name;
  return "differs:" + names;
}

// Makes the working directory hold exactly the files of the snapshot.
void restore(const Snapshot& snapshot) {
  for (const auto& entry : std::filesystem::directory_iterator("."))
    std::filesystem::remove_all(entry.path());
  for (const auto& [name, bytes] : snapshot) write_bytes(name, bytes);
}

// The start and the earlier run's results, in the working directory.
Snapshot earlier_set() {
  write_bytes("ar_simulation.dat", generated_start());
  const RunResult r = run_program(driver(earlier_run));
  EXPECT_EQ(r.status, 0) << r.err;
  const Snapshot set = folder_snapshot();
  EXPECT_EQ(set.size(), 18u) << differences(set, {});  // the start and seventeen results
  return set;
}

// What the new run leaves after the earlier one, and how long it takes here (seconds).
Snapshot complete_set(double* seconds) {
  ScratchDir dir;
  earlier_set();
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = run_program(driver(new_run));
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string removed = "removed traj_argon.xyz of an earlier run\n";
  EXPECT_EQ(r.out.find(removed), r.out.size() - removed.size()) << r.out;
  return folder_snapshot();
}

// The phase named by the one-line message of a run stopped by the signal, "" if it stopped before
// the first step, "?" if the message is not that line.
std::string interrupted_phase(const std::string& err, const std::string& signal) {
  const std::string head = "pelzak_md: stopped by " + signal + " ";
  const std::string tail = "; no result file was changed\n";
  if (err.size() < head.size() + tail.size() || err.compare(0, head.size(), head) != 0 ||
      err.compare(err.size() - tail.size(), tail.size(), tail) != 0)
    return "?";
  const std::string where = err.substr(head.size(), err.size() - head.size() - tail.size());
  if (where == "before the first step") return "";
  for (const char* phase : {"push-off", "equilibration", "production"}) {
    const std::string start = std::string("after ") + phase + " step ";
    std::size_t step = 0, of = 0;
    char rest = 0;
    if (where.compare(0, start.size(), start) == 0 &&
        std::sscanf(where.c_str() + start.size(), "%zu of %zu%c", &step, &of, &rest) == 2 && step >= 1 &&
        step <= of)
      return phase;
  }
  return "?";
}

TEST(DriverRunFiles, AnInterruptAtAnyMomentLeavesTheEarlierSetOrCompletesTheNewOne) {
  double seconds = 0.0;
  const Snapshot complete = complete_set(&seconds);
  ASSERT_EQ(complete.count("traj_argon.xyz"), 0u);
  ScratchDir dir;
  const Snapshot earlier = earlier_set();

  const struct {
    int number;
    const char* name;
  } signals[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  std::set<std::string> phases;
  int completed = 0;
  int tries = 0;
  const auto interrupt_at = [&](double moment) {
    const auto& sig = signals[tries % 3];
    const int k = tries++;
    Started started = start_program(driver(new_run));
    std::this_thread::sleep_for(std::chrono::duration<double>(moment));
    kill(started.pid, sig.number);
    const RunResult r = finish_program(started);
    const Snapshot after = folder_snapshot();
    if (r.status == 0) {  // the signal came after the last moment to stop, or after the end
      EXPECT_TRUE(after == complete) << "moment " << k << ": " << differences(after, complete);
      ++completed;
      restore(earlier);
      return;
    }
    EXPECT_EQ(r.status, 128 + sig.number) << "moment " << k << ": " << r.err;
    if (r.signal != 0) {
      // Killed before the run put its handlers in place, or after it gave them back at its end.
      EXPECT_TRUE(after == earlier || after == complete)
          << "moment " << k << ": " << differences(after, earlier);
      if (after == complete) ++completed, restore(earlier);
      return;
    }
    EXPECT_TRUE(after == earlier) << "moment " << k << ": " << differences(after, earlier);
    const std::string phase = interrupted_phase(r.err, sig.name);
    EXPECT_NE(phase, "?") << "moment " << k << ": " << r.err;
    phases.insert(phase);
  };
  // Ten moments in the first 5 ms, where the program starts and checks the folder, then forty
  // spread evenly over the run and past its end, which includes the move into place.
  for (int k = 0; k < 10; ++k) interrupt_at(0.0005 * k);
  for (int k = 1; k <= 40; ++k) interrupt_at(1.1 * seconds * k / 40);
  // On a loaded machine a run's pace changes from one to the next, and the moments above can miss
  // a short phase (the push-off is a tenth of the run): look again, more finely, until each phase
  // has been interrupted.
  const auto every_phase_seen = [&] {
    return phases.count("push-off") && phases.count("equilibration") && phases.count("production");
  };
  for (int k = 1; k <= 100 && !every_phase_seen(); ++k) interrupt_at(1.1 * seconds * k / 100);
  phases.erase("");  // before the first step
  EXPECT_EQ(phases, (std::set<std::string>{"push-off", "equilibration", "production"}));
  if (completed == 0) {
    // On a loaded machine the run may outlast every moment above; then one run left alone must
    // still end with the complete new set in place of the earlier one.
    const RunResult r = run_program(driver(new_run));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(folder_snapshot() == complete) << differences(folder_snapshot(), complete);
  }
}

// nohup (or a shell starting a job in the background) asks for a signal to be ignored; the run
// keeps it so instead of catching it.
TEST(DriverRunFiles, AHangupIgnoredByNohupStaysIgnored) {
  if (access("/usr/bin/nohup", X_OK) != 0) GTEST_SKIP() << "no nohup here";
  ScratchDir dir;
  earlier_set();
  std::vector<std::string> argv{"/usr/bin/nohup"};
  for (const std::string& a : driver(new_run)) argv.push_back(a);
  Started started = start_program(argv);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  kill(started.pid, SIGHUP);
  const RunResult r = finish_program(started);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(path_exists(".pelzak_md-staging"));
}

// Every refusal comes before the run touches anything: exit status 1, one line saying what to do.
TEST(DriverRunFiles, RefusalsLeaveEveryEarlierFileAsItWas) {
  const bool permissions = can_test_permissions();
  int lock_fd = -1;
  const struct {
    const char* name;
    bool needs_permissions;  // run as an unprivileged user, where root ignores the permission
    std::function<void()> arrange;
    std::string message;
  } cases[] = {
      {"write-protected g(r)", true, [] { chmod("rdf_argon.dat", 0444); },
       "\"rdf_argon.dat\" is write-protected: make it writable or move it away"},
      {"write-protected log", true, [] { chmod("thermo_argon.csv", 0444); },
       "\"thermo_argon.csv\" is write-protected: make it writable or move it away"},
      {"write-protected trajectory the run would remove", true, [] { chmod("traj_argon.xyz", 0444); },
       "\"traj_argon.xyz\" is write-protected: make it writable or move it away"},
      {"folder in place of the plot", false,
       [] {
         std::filesystem::remove("rdf_argon.svg");
         std::filesystem::create_directory("rdf_argon.svg");
         write_bytes("rdf_argon.svg/kept", "a user's file\n");
       },
       "\"rdf_argon.svg\" is a directory: move it away so the result can be written"},
      {"folder in place of the trajectory", false,
       [] {
         std::filesystem::remove("traj_argon.xyz");
         std::filesystem::create_directory("traj_argon.xyz");
       },
       "\"traj_argon.xyz\" is a directory: move it away so the result can be written"},
      {"unwritable run folder", true, [] { chmod(".", 0555); },
       "cannot create files in the working directory: Permission denied"},
      {"another user's results in a shared folder", true, [] { chmod(".", 01777); },
       "\"thermo_argon.csv\" belongs to another user in a shared directory: ask them to move it away"},
      {"another run in the folder", false,
       [&lock_fd] {
         lock_fd = open(".", O_RDONLY | O_DIRECTORY);
         flock(lock_fd, LOCK_EX);
       },
       "another pelzak_md run is working in the working directory: wait for it to end"},
      {"a file where the staging folder goes", false, [] { write_bytes(".pelzak_md-staging", "mine\n"); },
       "\".pelzak_md-staging\" is in the way (Not a directory): it is not a folder pelzak_md made; move it "
       "away"},
  };
  for (const auto& c : cases) {
    if (c.needs_permissions && !permissions) continue;
    // The earlier files are the test's own; only run as root does the program run as another user.
    if (c.message.find("another user") != std::string::npos && geteuid() != 0) continue;
    ScratchDir dir;
    earlier_set();
    // The earlier files may be replaced by anyone, so that the only obstacle is the one arranged.
    for (const auto& entry : std::filesystem::directory_iterator(".")) chmod(entry.path().c_str(), 0666);
    c.arrange();
    const Snapshot before = folder_snapshot();
    const RunResult r = run_program(driver(new_run), c.needs_permissions);
    const Snapshot after = folder_snapshot();
    chmod(".", 0777);
    if (lock_fd >= 0) close(lock_fd), lock_fd = -1;
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err, "pelzak_md: " + c.message + "\n") << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_TRUE(after == before) << c.name << ": " << differences(after, before);
  }
}

// Runs that fail after they started leave the earlier set as well: the staging folder goes.
TEST(DriverRunFiles, FailedRunsLeaveEveryEarlierFileAsItWas) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    rlim_t file_limit;  // largest file the run may write, bytes (0: no limit)
    int status;
    std::string message;  // what stderr starts with
  } cases[] = {
      {"blow-up", {"-q", "-p", "0"}, 0, 3, "pelzak_md: the run blew up in equilibration step "},
      {"log on a full disk",
       {"-q", "-p", "100", "-e", "0", "-t", "10"},
       4000,
       1,
       "pelzak_md: cannot write \"thermo_argon.csv\": File too large\n"},
      {"trajectory on a full disk",
       {"-q", "-p", "100", "-e", "0", "-t", "1000000000", "-x", "1"},
       40000,
       1,
       "pelzak_md: cannot write \"traj_argon.xyz\": File too large\n"},
      {"results on a full disk",
       {"-q", "-p", "100", "-e", "0", "-t", "1000000000"},
       8000,
       1,
       "pelzak_md: cannot write \""},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const Snapshot earlier = earlier_set();
    const RunResult r =
        c.file_limit ? run_with_file_limit(driver(c.args), c.file_limit) : run_program(driver(c.args));
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.name << ": " << r.err;
    const Snapshot after = folder_snapshot();
    EXPECT_TRUE(after == earlier) << c.name << ": " << differences(after, earlier);
  }
}

// An earlier run's trajectory stays while a new run without one fails, and goes with its success.
TEST(DriverRunFiles, AnEarlierTrajectoryGoesWhenTheNewSetIsComplete) {
  ScratchDir dir;
  const Snapshot earlier = earlier_set();
  RunResult r = run_program(driver({"-q", "-p", "0"}));
  ASSERT_EQ(r.status, 3);
  EXPECT_TRUE(folder_snapshot() == earlier);
  r = run_program(driver(new_run));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(path_exists("traj_argon.xyz"));
  EXPECT_NE(
      r.out.find(
          "wrote thermo_argon.csv, thermo_argon.svg, msd_argon.csv, vacf_argon.csv, spectrum_argon.csv, "
          "rdf_argon.svg, rdf_production_argon.csv, dynamics_argon.svg, vanhove_argon.csv, fsk_argon.csv, "
          "sk_argon.csv, scattering_argon.svg, final_argon.dat, "
          "checkpoint_argon.bin, "
          "summary_argon.json, "
          "rdf_argon.dat\n"
          "removed traj_argon.xyz of an earlier run\n"),
      std::string::npos)
      << r.out;
}

// SIGKILL cannot be caught: the staging folder stays behind, and the next run clears it.
TEST(DriverRunFiles, TheLeftoverOfAKilledRunGoesWithTheNextRun) {
  double seconds = 0.0;
  const Snapshot complete = complete_set(&seconds);
  ScratchDir dir;
  const Snapshot earlier = earlier_set();
  // Killed halfway through; on a loaded machine a run's pace changes from one to the next, so a
  // run that ended first is tried again with an earlier moment, one killed before it began working
  // with a later one.
  Snapshot after;
  double moment = seconds / 2;
  for (int attempt = 0; attempt < 12; ++attempt) {
    Started started = start_program(driver(new_run));
    std::this_thread::sleep_for(std::chrono::duration<double>(moment));
    kill(started.pid, SIGKILL);
    const bool killed = finish_program(started).signal == SIGKILL;
    after = folder_snapshot();
    if (killed && after.count(".pelzak_md-staging")) break;
    restore(earlier);
    moment *= killed ? 1.5 : 0.5;
  }
  ASSERT_TRUE(after.count(".pelzak_md-staging")) << "no run was killed while it worked";
  for (const auto& [name, bytes] : earlier) EXPECT_EQ(after[name], bytes) << name;
  const RunResult r = run_program(driver(new_run));
  EXPECT_EQ(r.status, 0) << r.err;
  after = folder_snapshot();
  EXPECT_TRUE(after == complete) << differences(after, complete);
}

// A move into place cut short (the machine went down between two renames) leaves the list of the
// finished set in the staging folder; the next run finishes the move before anything else.
TEST(DriverRunFiles, AMoveCutShortIsFinishedByTheNextRun) {
  ScratchDir dir;
  earlier_set();
  // The log was moved already; the plot and g(r) were not; the trajectory was still to go.
  std::filesystem::create_directory(".pelzak_md-staging");
  write_bytes(".pelzak_md-staging/.set", "thermo_argon.csv\nrdf_argon.svg\nrdf_argon.dat\n");
  write_bytes("thermo_argon.csv", "the finished set's log\n");
  write_bytes(".pelzak_md-staging/rdf_argon.svg", "the finished set's plot\n");
  write_bytes(".pelzak_md-staging/rdf_argon.dat", "the finished set's g(r)\n");
  write_bytes(".pelzak_md-staging/unfinished", "not listed, not moved\n");
  // The next run stops at once (two atoms in one place), so what it leaves is the finished set.
  write_bytes("ar_simulation.dat", grid_start(true));
  const RunResult r = run_program(driver({"-q"}));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err.rfind("pelzak_md: finished moving the results of an earlier run into place: its move had "
                        "been cut short\n"
                        "pelzak_md: the run blew up in push-off step 1 ",
                        0),
            0u)
      << r.err;
  const Snapshot expected = {{"ar_simulation.dat", grid_start(true)},
                             {"thermo_argon.csv", "the finished set's log\n"},
                             {"rdf_argon.svg", "the finished set's plot\n"},
                             {"rdf_argon.dat", "the finished set's g(r)\n"}};
  const Snapshot after = folder_snapshot();
  EXPECT_TRUE(after == expected) << differences(after, expected);
}

// A program may run the job as a function, several times in one process. The library keeps g(r)'s
// file open from one run to the next; every run must still end with its own complete set.
TEST(DriverRunFiles, RunsInOneProcessEachLeaveTheirOwnCompleteSet) {
  Snapshot expected;
  {
    ScratchDir dir;
    earlier_set();
    expected = folder_snapshot();
  }
  ScratchDir dir;
  write_bytes("ar_simulation.dat", generated_start());
  const auto options = [](const std::vector<std::string>& args) {
    std::vector<const char*> argv{"pelzak_md"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return pelzak::md::parse_options(static_cast<int>(argv.size()), argv.data()).options;
  };
  const pid_t pid = fork();
  if (pid == 0) {
    // In a child, as the library's open file is for the whole process. The earlier run, the new
    // one, then the earlier one again: the same set as the earlier run by itself.
    freopen("/dev/null", "w", stdout);
    const std::string cwd = std::filesystem::current_path().string();
    int failed = 0;
    for (const auto* args : {&earlier_run, &new_run, &earlier_run}) {
      failed += pelzak::md::run_job(options(*args)) != 0;
      failed += std::filesystem::current_path().string() != cwd;
    }
    _exit(failed);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const Snapshot after = folder_snapshot();
  EXPECT_TRUE(after == expected) << differences(after, expected);
}

}  // namespace
