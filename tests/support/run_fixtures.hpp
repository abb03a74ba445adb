// Fixtures for the tests that run the programs, shared by tests/driver and tests/faults: start
// files for the driver, and a look at everything a run folder holds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "configs.hpp"
#include "programs.hpp"
#include "support.hpp"

namespace pelzak::test {

inline bool path_exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// The generator's start file, made once per test process.
inline const std::string& generated_start() {
  static const std::string bytes = [] {
    ScratchDir dir;
    EXPECT_EQ(run_program({generator_program}).status, 0);
    return read_bytes("ar_simulation.dat");
  }();
  return bytes;
}

// A start of 864 atoms at rest on a simple cubic grid 0.36 nm apart; with collide, atom 2 sits on
// top of atom 1.
inline std::string grid_start(bool collide) {
  Config x{}, v{};
  for (int i = 0; i < model::atoms; ++i) {
    const int a = (collide && i == 1) ? 0 : i;
    const double site[3] = {0.36 * (a % 10), 0.36 * (a / 10 % 10), 0.36 * (a / 100)};
    for (int k = 0; k < 3; ++k) x[k * model::atoms + i] = site[k];
  }
  return configuration_file(x, v);
}

// Everything in a folder, hidden entries and subfolders included: a file by its bytes, a folder as
// "<folder>" (its entries follow as "name/entry"), a symbolic link as "-> target". Two snapshots
// are equal exactly when nothing was added, removed or changed.
inline std::map<std::string, std::string> folder_snapshot(const std::string& folder = ".") {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_symlink())
      entries[name] = "-> " + fs::read_symlink(entry.path()).string();
    else if (entry.is_directory())
      entries[name] = "<folder>";
    else
      entries[name] = read_bytes(entry.path().string());
  }
  return entries;
}

}  // namespace pelzak::test
