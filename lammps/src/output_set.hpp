// Files written into a folder as one set: each is written in full under a temporary name in the same
// folder, and only when all of them are complete are they renamed into place. A failure on the way
// (full disk, no permission) removes the temporaries and leaves the folder as it was, so a result is
// never half-written and never a mix of a new file with an old one it belongs with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelzak::lammps {

class OutputSet {
 public:
  explicit OutputSet(std::string dir) : dir_(std::move(dir)) {}
  ~OutputSet();  // removes whatever was staged and not committed
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Writes bytes to a temporary name for dir/name; false with a message naming the file and reason.
  bool stage(const std::string& name, std::string_view bytes, std::string* message);
  // Renames every staged file into place, in the order staged.
  bool commit(std::string* message);
  // Removes dir/name if it is there (a result of an earlier run that this one does not replace).
  bool remove_stale(const std::string& name, std::string* message);

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
  std::vector<std::string> staged_;  // names, each waiting as temporary_path(name)
  std::string temporary_path(const std::string& name) const;
};

// Creates dir if it is missing (its parent must exist); false with a message if it cannot be made,
// or is there but not a folder.
bool make_folder(const std::string& dir, std::string* message);

}  // namespace pelzak::lammps
