#include "start.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/file_set.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/text_input.hpp"
#include "pelzak/model/failure.hpp"
#include "state_point.hpp"

namespace pelzak::md {

namespace {

bool read_given_start(const Options& options, const std::string& base, Start* start, int* status,
                      std::string* message) {
  std::string bytes;
  const int error = formats::read_whole_file(formats::found_from(base, options.start), &bytes);
  if (error != 0) {
    *message = "cannot read the start \"" + options.start + "\": " + std::strerror(error);
    return *status = exit_io_error, false;
  }
  formats::ReadDiagnostic diagnostic;
  long atoms = 0;
  if (formats::read_atom_count(bytes.data(), bytes.size(), options.start.c_str(), &atoms, &diagnostic) !=
      formats::ReadStatus::ok) {
    *message = std::string("the start holds no atom count: ") + diagnostic.text;
    return *status = exit_usage, false;
  }
  if (atoms < 2 || atoms > engine::max_atoms) {
    *message = "the start \"" + options.start + "\" states " + std::to_string(atoms) +
               " atoms; accepted: 2 to " + std::to_string(engine::max_atoms);
    return *status = exit_usage, false;
  }
  if (options.atoms != 0 && options.atoms != atoms) {
    *message = "--atoms " + std::to_string(options.atoms) + " disagrees with the start \"" + options.start +
               "\", which holds " + std::to_string(atoms) + " atoms";
    return *status = exit_usage, false;
  }
  start->atoms = atoms;
  start->positions.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  start->velocities.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  if (formats::read_configuration(bytes.data(), bytes.size(), options.start.c_str(), static_cast<int>(atoms),
                                  start->positions.data(), start->velocities.data(),
                                  &diagnostic) != formats::ReadStatus::ok) {
    *message = diagnostic.text;
    return *status = exit_usage, false;
  }
  start->source = "\"" + options.start + "\"";
  return true;
}

// "ar_simulation.dat" as the library reads it: a malformed one ends the run with the library's
// message and status.
bool read_library_start(const std::string& base, Start* start, int* status, std::string* message) {
  const std::string path = formats::found_from(base, formats::start_file);
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *message = std::string("no \"") + formats::start_file +
               "\" in the working directory: run pelzak_initial first, " +
               "or give a start with --start FILE";
    return *status = exit_io_error, false;
  }
  // Opened as the library opens it (a directory, say, fails here as it does there).
  const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *message = std::string(aux::failure_prefix) + "\"" + formats::start_file +
               "\": cannot open: " + std::strerror(errno);
    return *status = aux::failure_status, false;
  }
  start->atoms = model::atoms;
  start->positions.assign(model::config_size, 0.0);
  start->velocities.assign(model::config_size, 0.0);
  formats::ReadDiagnostic diagnostic;
  const formats::ReadStatus read =
      formats::read_configuration(fd, start->positions.data(), start->velocities.data(), &diagnostic);
  close(fd);
  if (read != formats::ReadStatus::ok) {
    *message = std::string(aux::failure_prefix) + diagnostic.text;
    return *status = aux::failure_status, false;
  }
  start->source = std::string("\"") + formats::start_file + "\"";
  return true;
}

}  // namespace

bool read_start(const Options& options, const std::string& base, Start* start, int* status,
                std::string* message) {
  if (!options.start.empty()) return read_given_start(options, base, start, status, message);
  if (library_liquid(options)) return read_library_start(base, start, status, message);
  start->source = "an fcc lattice, velocities from seed " + std::to_string(options.seed);
  return true;
}

Options with_start(const Options& options, const Start& start) {
  Options resolved = options;
  if (resolved.atoms == 0 && start.atoms != 0) resolved.atoms = start.atoms;
  return resolved;
}

}  // namespace pelzak::md
