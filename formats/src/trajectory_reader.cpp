#include "pelzak/formats/trajectory_reader.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace pelzak::formats::trajectory {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

struct Pair {
  std::string_view key, value;
};

// The comment line's key=value pairs; a value may be in double quotes (without them). False with
// the reason on a malformed pair.
bool pairs(std::string_view line, std::vector<Pair>& out, std::string* reason) {
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) return true;
    const std::size_t key_start = i;
    while (i < line.size() && line[i] != '=' && !blank(line[i]) && line[i] != '"') ++i;
    const std::string_view key = line.substr(key_start, i - key_start);
    if (key.empty() || i == line.size() || line[i] != '=')
      return *reason =
                 "expected key=value in the comment line, found \"" + shown(line.substr(key_start)) + "\"",
             false;
    ++i;
    std::string_view value;
    if (i < line.size() && line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos)
        return *reason = "the value of " + shown(key) + " has no closing quote", false;
      value = line.substr(i + 1, close - i - 1);
      i = close + 1;
      if (i < line.size() && !blank(line[i]))
        return *reason = "no blank after the quoted value of " + shown(key), false;
    } else {
      const std::size_t start = i;
      while (i < line.size() && !blank(line[i])) ++i;
      value = line.substr(start, i - start);
      if (value.empty() || value.find('"') != std::string_view::npos)
        return *reason = "bad value of " + shown(key) + " \"" + shown(value) + "\"", false;
    }
    for (const Pair& p : out)
      if (p.key == key) return *reason = "the key " + shown(key) + " appears twice", false;
    out.push_back({key, value});
  }
}

// The cubic box's side from a Lattice value: nine numbers, zero off the diagonal, three equal finite
// positive sides.
bool lattice(std::string_view value, double* side, std::string* reason) {
  const auto v = words(value);
  double m[9];
  bool numbers = v.size() == 9;
  for (std::size_t k = 0; numbers && k < 9; ++k) numbers = finite_real(v[k], &m[k]);
  if (!numbers) return *reason = "Lattice=\"" + shown(value) + "\" is not nine finite numbers", false;
  for (int k : {1, 2, 3, 5, 6, 7})
    if (m[k] != 0.0)
      return *reason = "Lattice=\"" + shown(value) + "\" is not a cubic box (off-diagonal terms)", false;
  if (!(m[0] > 0.0) || m[4] != m[0] || m[8] != m[0])
    return *reason = "Lattice=\"" + shown(value) + "\" is not a cubic box with a positive side", false;
  *side = m[0];
  return true;
}

}  // namespace

Reader::Reader(std::FILE* file, std::string name) : lines_(file), name_(std::move(name)) {}

Reader::Result Reader::fail(const std::string& reason, std::string* message) const {
  *message = "\"" + name_ + "\", line " + std::to_string(lines_.number()) + ": " + reason;
  return Result::error;
}

// The next line into line_ (Result::frame); the file may end at the start of a frame.
Reader::Result Reader::line_or_end(bool frame_start, std::string* message) {
  switch (lines_.next(&line_, frame_start)) {
    case LineReader::Line::ok: return Result::frame;
    case LineReader::Line::end: return Result::end;
    case LineReader::Line::cut_off: break;
    case LineReader::Line::too_long:
      *message = "\"" + name_ + "\", line " + std::to_string(lines_.number() + 1) + ": a line longer than " +
                 std::to_string(longest_line) + " bytes: this is not a trajectory";
      return Result::error;
    case LineReader::Line::failed: return fail(std::string("cannot read: ") + std::strerror(errno), message);
  }
  *message = "\"" + name_ + "\", line " + std::to_string(lines_.number()) + ": the file ends inside a frame";
  return Result::truncated;
}

bool Reader::comment(Frame& f, std::string* reason) const {
  std::vector<Pair> found;
  if (!pairs(line_, found, reason)) return false;
  const auto value = [&found](std::string_view key) -> const std::string_view* {
    for (const Pair& p : found)
      if (p.key == key) return &p.value;
    return nullptr;
  };
  for (const char* key : {"Lattice", "Properties", "pbc", "Time", "Step"})
    if (!value(key)) return *reason = std::string("the comment line has no ") + key + "=", false;
  if (!lattice(*value("Lattice"), &f.box, reason)) return false;
  if (*value("Properties") != properties)
    return *reason = "Properties=" + shown(*value("Properties")) + ": expected " + properties, false;
  if (*value("pbc") != periodic)
    return *reason = "pbc=\"" + shown(*value("pbc")) + "\": expected \"T T T\"", false;
  if (!finite_real(*value("Time"), &f.time_ps)) return *reason = "bad Time=" + shown(*value("Time")), false;
  f.time = std::string(*value("Time"));
  if (!whole_number(*value("Step"), &f.step) || f.step < 0)
    return *reason = "bad Step=" + shown(*value("Step")) + " (a count of steps, 0 or more)", false;
  const std::string_view* phase = value("phase");
  if (phase && phase->find_first_of(" \t") != std::string_view::npos)
    return *reason = "bad phase=\"" + shown(*phase) + "\" (one word)", false;
  f.phase = phase ? std::string(*phase) : std::string();
  f.phase_step = 0;
  const std::string_view* step = value("step");
  if (step && !whole_number(*step, &f.phase_step)) return *reason = "bad step=" + shown(*step), false;
  return true;
}

bool Reader::atom_line(std::string* reason) {
  const auto v = words(line_);
  if (v.size() != static_cast<std::size_t>(words_per_atom))
    return *reason = "expected \"" + std::string(species) + " x y z vx vy vz ix iy iz\", found \"" +
                     shown(line_) + "\"",
           false;
  if (v[0] != species) return *reason = "the species is \"" + shown(v[0]) + "\", not " + species, false;
  for (int k = 1; k <= 6; ++k) {
    double x = 0.0;
    if (!finite_real(v[k], &x))
      return *reason = std::string(k <= 3 ? "bad position \"" : "bad velocity \"") + shown(v[k]) + "\"",
             false;
    row_values_.push_back(x);
  }
  for (int k = 7; k <= 9; ++k) {
    std::int64_t image = 0;
    if (!whole_number(v[k], &image) || image < -max_image || image > max_image)
      return *reason = "bad image count \"" + shown(v[k]) + "\"", false;
    row_values_.push_back(static_cast<double>(image));
  }
  return true;
}

Reader::Result Reader::next(Frame& frame, std::string* message) {
  Result r = line_or_end(true, message);
  if (r != Result::frame) return r;
  std::int64_t count = 0;
  const auto count_words = words(line_);
  if (count_words.size() != 1 || !whole_number(count_words[0], &count) || count < 1 || count > max_atoms)
    return fail(
        "expected the atom count (1 to " + std::to_string(max_atoms) + "), found \"" + shown(line_) + "\"",
        message);
  if (atoms_ != 0 && count != atoms_)
    return fail("the frame has " + std::to_string(count) + " atoms, the first had " + std::to_string(atoms_),
                message);
  atoms_ = static_cast<long>(count);
  if ((r = line_or_end(false, message)) != Result::frame) return r;
  std::string reason;
  if (!comment(frame, &reason)) return fail(reason, message);
  row_values_.clear();
  for (long i = 0; i < atoms_; ++i) {
    if ((r = line_or_end(false, message)) != Result::frame) return r;
    if (!atom_line(&reason)) return fail(reason, message);
  }
  // Atom by atom as read, axis by axis as kept.
  const std::size_t n = static_cast<std::size_t>(atoms_);
  frame.atoms = atoms_;
  frame.positions.resize(3 * n);
  frame.velocities.resize(3 * n);
  frame.images.resize(3 * n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < 3; ++k) {
      const double* row = row_values_.data() + i * (words_per_atom - 1);
      frame.positions[k * n + i] = row[k];
      frame.velocities[k * n + i] = row[3 + k];
      frame.images[k * n + i] = row[6 + k];
    }
  return Result::frame;
}

}  // namespace pelzak::formats::trajectory
