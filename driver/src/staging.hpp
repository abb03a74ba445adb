// The staging folder: a private folder inside the run folder in which a run writes all of its
// files. Nothing in the run folder itself changes until the finished set is moved into place
// (result_set.hpp), so an interrupted or failed run only has to remove this folder to leave the
// earlier results exactly as they were.
//
// The run folder is locked for the whole run (flock on the folder), so two runs in one folder
// never mix their files, and a staging folder found at the start is certainly left over from a
// run that could not clean up after itself (killed with SIGKILL, or the machine went down).
#pragma once

#include <string>
#include <string_view>

namespace pelzak::md {

inline constexpr char staging_folder[] = ".pelzak_md-staging";

struct Staging {
  std::string base;    // the folder that stands for the working directory (JobPlace::folder)
  std::string folder;  // the run folder as given (--output-dir); empty: the working directory
  int run_fd = -1;     // the run folder, open
  int fd = -1;         // the staging folder, -1 while there is none
};

// Opens the run folder and locks it, creating it (and its parents) if it is not there yet; false
// with a message if another run holds the lock or the folder cannot be made or opened.
bool run_folder_open(Staging& staging, std::string* message);

// The path by which this process finds `path`, given as from the working directory, when `base`
// stands for that: path itself if absolute or base is empty ("." for an empty path).
std::string found_from(const std::string& base, const std::string& path);

// "the working directory" or "the output folder "runs/hot"", for messages.
std::string folder_text(const Staging& staging);
// A file of the run folder as a user would name it: runs/hot/rdf_argon.dat; quoted_path puts it in
// double quotes, for messages.
std::string path_in(const Staging& staging, std::string_view name);
std::string quoted_path(const Staging& staging, std::string_view name);

// Creates the empty staging folder (readable by the owner only).
bool staging_create(Staging& staging, std::string* message);

// Opens a staging folder that is already there; false (with no message) if there is none.
bool staging_open_existing(Staging& staging, std::string* message);

// Removes the staging folder and everything in it; does nothing if there is none. False with a
// message if something in it cannot be removed.
bool staging_remove(Staging& staging, std::string* message);

// Leaves the staging folder where it is (a move into place that could not be finished, which the
// next run finishes) and lets go of it.
void staging_keep(Staging& staging);

// Removes the staging folder if there is one, then releases the lock and closes the run folder.
void run_folder_close(Staging& staging);

}  // namespace pelzak::md
