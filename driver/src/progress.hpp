// Progress on stderr: a live bar redrawn in place on a terminal, plain lines every few hundred steps
// when stderr is a file or a pipe (so logs stay readable), nothing at all when quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace pelzak::md {

// Interval of the plain progress lines, steps.
inline constexpr std::int64_t plain_progress_every = 250;

// One redraw of the bar: phase, bar, step of total, temperature and speed, padded to a fixed width
// so that a shorter redraw leaves no stale characters behind. Starts with a carriage return.
std::string progress_bar_line(std::string_view phase, std::int64_t step, std::int64_t total,
                              double temperature, double steps_per_second);

// One plain progress line, ending in a line feed.
std::string progress_plain_line(std::string_view phase, std::int64_t step, std::int64_t total,
                                double temperature, double steps_per_second);

enum class ProgressMode { off, bar, plain };

struct Progress {
  ProgressMode mode = ProgressMode::off;
  std::FILE* out = nullptr;
  std::string phase;
  std::int64_t total = 0;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point last_draw;
};

// Bar if the stream is a terminal, plain lines otherwise, off if quiet.
Progress progress_open(std::FILE* out, bool quiet);
void progress_begin_phase(Progress& p, std::string_view phase, std::int64_t total);
// Call after each step (step counts from 1 within the phase).
void progress_step(Progress& p, std::int64_t step, double temperature);
// Finishes the bar's line so that later messages start on a fresh one.
void progress_end_phase(Progress& p);

}  // namespace pelzak::md
