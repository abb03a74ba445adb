#include "progress.hpp"

#include <unistd.h>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::md {

using formats::compact;

namespace {

constexpr int bar_width = 30;
constexpr int line_width = 100;
constexpr auto redraw_interval = std::chrono::milliseconds(100);

std::string rate_text(double steps_per_second) {
  return steps_per_second > 0.0 ? compact(steps_per_second, 0) + " steps/s" : std::string("- steps/s");
}

double rate(const Progress& p, std::int64_t step, std::chrono::steady_clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - p.start).count();
  return seconds > 0.0 ? static_cast<double>(step) / seconds : 0.0;
}

}  // namespace

std::string progress_bar_line(std::string_view phase, std::int64_t step, std::int64_t total,
                              double temperature, double steps_per_second) {
  const std::int64_t filled = total > 0 ? step * bar_width / total : bar_width;
  std::string line = "\r";
  line += phase;
  line.append(phase.size() < 14 ? 14 - phase.size() : 1, ' ');
  line += '[';
  for (int n = 0; n < bar_width; ++n) line += n < filled ? '#' : '.';
  line += "] " + std::to_string(step) + "/" + std::to_string(total);
  line += "  T = " + compact(temperature, 1) + " K  " + rate_text(steps_per_second);
  if (line.size() < line_width + 1) line.append(line_width + 1 - line.size(), ' ');
  return line;
}

std::string progress_plain_line(std::string_view phase, std::int64_t step, std::int64_t total,
                                double temperature, double steps_per_second) {
  return std::string(phase) + " step " + std::to_string(step) + "/" + std::to_string(total) +
         ": T = " + compact(temperature, 1) + " K, " + rate_text(steps_per_second) + "\n";
}

Progress progress_open(std::FILE* out, bool quiet) {
  Progress p;
  p.out = out;
  if (!quiet) p.mode = isatty(fileno(out)) ? ProgressMode::bar : ProgressMode::plain;
  return p;
}

void progress_begin_phase(Progress& p, std::string_view phase, std::int64_t total) {
  p.phase = phase;
  p.total = total;
  p.start = std::chrono::steady_clock::now();
  p.last_draw = p.start - redraw_interval;
}

void progress_step(Progress& p, std::int64_t step, double temperature) {
  if (p.mode == ProgressMode::off) return;
  const bool last = step == p.total;
  if (p.mode == ProgressMode::plain) {
    if (step % plain_progress_every != 0 && !last) return;
    const auto now = std::chrono::steady_clock::now();
    std::fputs(progress_plain_line(p.phase, step, p.total, temperature, rate(p, step, now)).c_str(), p.out);
    std::fflush(p.out);
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now - p.last_draw < redraw_interval && !last) return;
  p.last_draw = now;
  std::fputs(progress_bar_line(p.phase, step, p.total, temperature, rate(p, step, now)).c_str(), p.out);
  std::fflush(p.out);
}

void progress_end_phase(Progress& p) {
  if (p.mode == ProgressMode::bar && p.total > 0) std::fputc('\n', p.out);
}

}  // namespace pelzak::md
