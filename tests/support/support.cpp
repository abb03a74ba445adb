#include "support.hpp"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pelzak::test {

namespace {
constexpr uid_t nobody = 65534;

std::string temp_root() {
  const char* t = std::getenv("TMPDIR");
  return (t && *t) ? t : "/tmp";
}
}  // namespace

ScratchDir::ScratchDir() {
  previous_ = std::filesystem::current_path();
  std::string tmpl = temp_root() + "/pelzak-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
  path_ = tmpl;
  chmod(path_.c_str(), 0777);
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  // Give back write permission anywhere a test took it away, so the tree can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0777);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool drop_privileges() {
  if (geteuid() != 0) return true;
  if (setgroups(0, nullptr) != 0) return false;
  if (setgid(nobody) != 0 || setuid(nobody) != 0) return false;
  return geteuid() != 0;
}

bool can_test_permissions() {
  if (geteuid() != 0) return true;
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(drop_privileges() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Started start_program(const std::vector<std::string>& argv, bool unprivileged) {
  Started started;
  started.out_path = temp_root() + "/pelzak-out-XXXXXX";
  started.err_path = temp_root() + "/pelzak-err-XXXXXX";
  const int out_fd = mkstemp(started.out_path.data());
  const int err_fd = mkstemp(started.err_path.data());
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, STDIN_FILENO);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (unprivileged && !drop_privileges()) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_fd);
  close(err_fd);
  started.pid = pid;
  return started;
}

RunResult finish_program(Started& started) {
  RunResult result;
  int status = 0;
  const bool waited = started.pid > 0 && waitpid(started.pid, &status, 0) == started.pid;
  result.out = read_bytes(started.out_path);
  result.err = read_bytes(started.err_path);
  unlink(started.out_path.c_str());
  unlink(started.err_path.c_str());
  started.pid = -1;
  if (!waited) return result;
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

RunResult run_program(const std::vector<std::string>& argv, bool unprivileged) {
  Started started = start_program(argv, unprivileged);
  return finish_program(started);
}

std::vector<double> csv_column(const std::string& csv, int index) {
  std::vector<double> out;
  const auto lines = split_lines(csv);
  for (std::size_t n = 1; n < lines.size(); ++n) {
    const char* p = lines[n].c_str();
    for (int k = 0; k < index && p; ++k) p = std::strchr(p, ',') ? std::strchr(p, ',') + 1 : nullptr;
    out.push_back(p ? std::strtod(p, nullptr) : std::nan(""));
  }
  return out;
}

}  // namespace pelzak::test
