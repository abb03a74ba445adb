// A set of files put into a folder all or nothing: pelzak_md's results, pelzak_lammps export's input
// and data, pelzak_lammps analyse's results.
//
// The folder is locked while a program works in it (flock on the folder), so two programs in one
// folder never mix their files. The set is written into a private staging folder inside it; nothing
// in the folder itself changes until the finished set is moved into place:
//
//   1. every staged file is flushed to the disk, then the list of the set's files is written into
//      the staging folder under a temporary name and renamed to ".set": from this moment the set
//      counts as finished;
//   2. the members of the set that this one did not write (a trajectory of an earlier run) are
//      removed;
//   3. the staged files are renamed into the folder in the order of the members, the last last;
//   4. the staging folder goes.
//
// Each rename replaces one file atomically, but a set of files cannot be replaced at once. A program
// that ends between the first and the last rename (SIGKILL, a power cut) leaves the ".set" list in
// the staging folder, and the next one in that folder finishes the move before it starts; a staging
// folder without the list holds an unfinished set and is removed unread. A refused, failed or
// interrupted set only has to remove its staging folder to leave the earlier files exactly as they
// were.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelzak::formats {

struct FileSet {
  FileSet() = default;
  // Removes the staging folder if there is one, then releases the lock and closes the folder.
  ~FileSet();
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  // The program, which names the staging folder ".<owner>-staging" and the one that holds the lock.
  std::string owner;
  // Every file a set may hold, in the order a finished set is moved into place: once the last is
  // the new one, every other file of the set is new as well.
  std::vector<std::string> members;
  std::string base;    // the folder that stands for the working directory; empty: the working directory
  std::string folder;  // the folder as given; empty: the working directory
  int folder_fd = -1;  // the folder, open
  int fd = -1;         // the staging folder, -1 while there is none
};

// The path by which this process finds `path`, given as from the working directory, when `base`
// stands for that: path itself if absolute or base is empty ("." for an empty path).
std::string found_from(const std::string& base, const std::string& path);

// "the working directory" or "the output folder "runs/hot"", for messages.
std::string folder_text(const FileSet& set);
// A file of the folder as a user would name it: runs/hot/rdf_argon.dat; quoted_path puts it in
// double quotes, for messages.
std::string path_in(const FileSet& set, std::string_view name);
std::string quoted_path(const FileSet& set, std::string_view name);

// Opens the folder and locks it, creating it (and its parents) if it is not there yet; false with
// a message if another program holds the lock or the folder cannot be made or opened.
bool file_set_open(FileSet& set, std::string* message);

// Deals with a staging folder found when the folder is opened: finishes the move of a finished set
// (and says so in *note), removes an unfinished one. True if the folder is then free of it.
bool file_set_settle_leftover(FileSet& set, std::string* note, std::string* message);

// Every member can be replaced or removed: none is a directory or write-protected (the user
// protected it, so it is not for a program to replace) or another user's in a shared (sticky)
// directory, and the folder takes new files. False with a message naming the first problem.
bool file_set_check(const FileSet& set, std::string* message);

// Creates the empty staging folder (readable by the owner only), which the set is written into
// (set.fd).
bool staging_create(FileSet& set, std::string* message);

// Writes bytes as the file `name` of the staging folder; false with a message naming the file.
bool staging_write(const FileSet& set, const std::string& name, std::string_view bytes, std::string* message);

// Moves the finished set in the staging folder into place (steps 1 to 4 above). *written gets the
// names of the set's files, *removed those of earlier members that went.
bool file_set_commit(FileSet& set, std::vector<std::string>* written, std::vector<std::string>* removed,
                     std::string* message);

}  // namespace pelzak::formats
