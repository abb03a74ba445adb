// The run's results as one set. A run checks, before it touches anything, that every result file
// can be replaced or removed; it writes the new set into the staging folder; and when the set is
// finished it moves it into the run folder:
//
//   1. every staged file is flushed to the disk, then the list of the set's files is written into
//      the staging folder under a temporary name and renamed to ".set": from this moment the set
//      counts as finished;
//   2. the files of an earlier run that this run did not write (a trajectory) are removed;
//   3. the staged files are renamed into the run folder in the order of result_files, g(r) last;
//   4. the staging folder goes.
//
// Each rename replaces one file atomically, but a set of files cannot be replaced at once. A run
// that ends between the first and the last rename (SIGKILL, a power cut) leaves the ".set" list in
// the staging folder, and the next run in that folder finishes the move before it starts; a
// staging folder without the list holds an unfinished run and is removed unread. Interrupts that
// the run handles (SIGINT, SIGTERM, SIGHUP) are honoured only up to step 1; after it the move runs
// to its end.
#pragma once

#include <string>
#include <vector>

#include "staging.hpp"

namespace pelzak::md {

// Every result file can be replaced or removed: none is a directory or write-protected (the
// user protected it, so it is not for a run to replace) or another user's in a shared (sticky)
// directory, and the run folder takes new files.
// False with a message naming the first problem.
bool results_check(const Staging& staging, std::string* message);

// Moves the finished set in the staging folder into place (steps 1 to 4 above). *written gets the
// names of the set's files, *removed those of earlier files that went.
bool results_commit(Staging& staging, std::vector<std::string>* written, std::vector<std::string>* removed,
                    std::string* message);

// Deals with a staging folder found when a run starts: finishes the move of a finished set (and
// says so in *note), removes an unfinished one. True if the run folder is then free of it.
bool results_settle_leftover(Staging& staging, std::string* note, std::string* message);

}  // namespace pelzak::md
