#include "run_lammps.hpp"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "export.hpp"
#include "pelzak/formats/file_names.hpp"
#include "status.hpp"

namespace pelzak::lammps {

namespace {

constexpr char lammps_program[] = "lmp";
constexpr char mpirun_program[] = "mpirun";

bool is_executable_file(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string missing(const char* program, const char* package) {
  return std::string(program) + " is not installed (not found on PATH); on Debian: apt-get install " +
         package;
}

}  // namespace

std::string find_program(const std::string& program) {
  if (program.find('/') != std::string::npos) return is_executable_file(program) ? program : "";
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // An empty entry is the working folder.
    std::string candidate = dir.empty() ? std::string(".") : dir;
    candidate += '/';
    candidate += program;
    if (is_executable_file(candidate)) return candidate;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

std::vector<std::string> lammps_command(int processes) {
  std::vector<std::string> command;
  if (processes > 1) command = {mpirun_program, "-np", std::to_string(processes)};
  command.insert(command.end(), {lammps_program, "-in", formats::lammps_input_file});
  return command;
}

int run_lammps(const RunOptions& options) {
  if (find_program(lammps_program).empty()) {
    report(missing(lammps_program, "lammps"));
    return exit_failure;
  }
  if (options.processes > 1 && find_program(mpirun_program).empty()) {
    report(missing(mpirun_program, "openmpi-bin"));
    return exit_failure;
  }
  const std::string input = options.dir + "/" + formats::lammps_input_file;
  if (access(input.c_str(), R_OK) != 0) {
    report("cannot read \"" + input + "\": " + std::strerror(errno) +
           " (write it with pelzak_lammps export)");
    return exit_failure;
  }
  const std::vector<std::string> command = lammps_command(options.processes);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid < 0) {
    report(std::string("cannot start LAMMPS: ") + std::strerror(errno));
    return exit_failure;
  }
  if (pid == 0) {
    if (chdir(options.dir.c_str()) != 0) {
      std::fprintf(stderr, "pelzak_lammps: cannot enter \"%s\": %s\n", options.dir.c_str(),
                   std::strerror(errno));
      _exit(exit_failure);
    }
    if (geteuid() == 0) {
      setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
      setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
    }
    setenv("OMPI_MCA_rmaps_base_oversubscribe", "1", 0);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "pelzak_lammps: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(exit_failure);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      report(std::string("lost track of LAMMPS: ") + std::strerror(errno));
      return exit_failure;
    }
  }
  std::string shown;
  for (const std::string& word : command) shown += (shown.empty() ? "" : " ") + word;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return exit_ok;
  const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                            : std::string("signal ") + strsignal(WTERMSIG(status));
  report("\"" + shown + "\" in \"" + options.dir + "\" failed with " + how + "; see " + options.dir + "/" +
         formats::lammps_log_file);
  return exit_failure;
}

}  // namespace pelzak::lammps
