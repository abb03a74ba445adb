#include "dump_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "metal_units.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/text_input.hpp"

namespace pelzak::lammps {

using formats::LineReader;
using formats::shown;
using formats::words;

namespace {

// A number may carry a leading '+', which std::from_chars takes not.
bool parse_real(std::string_view word, double* value) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  return formats::finite_real(word, value);
}

bool parse_integer(std::string_view word, std::int64_t* value) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  return formats::whole_number(word, value);
}

// Where each quantity sits in an atom line, -1 if absent.
struct Columns {
  int count = 0;
  int id = -1;
  int x[3] = {-1, -1, -1};          // wrapped x y z
  int unwrapped[3] = {-1, -1, -1};  // xu yu zu
  int image[3] = {-1, -1, -1};      // ix iy iz
  int v[3] = {-1, -1, -1};          // vx vy vz

  static bool all(const int (&c)[3]) { return c[0] >= 0 && c[1] >= 0 && c[2] >= 0; }
};

Columns find_columns(std::string_view names) {
  Columns c;
  const char* axes = "xyz";
  for (std::string_view name : words(names)) {
    const int n = c.count++;
    if (name == "id") c.id = n;
    for (int k = 0; k < 3; ++k) {
      const std::string a(1, axes[k]);
      if (name == a) c.x[k] = n;
      if (name == a + "u") c.unwrapped[k] = n;
      if (name == "i" + a) c.image[k] = n;
      if (name == "v" + a) c.v[k] = n;
    }
  }
  return c;
}

struct Header {
  bool has_timestep = false, has_time = false, has_count = false, has_box = false;
  std::int64_t timestep = 0;
  double time = 0.0;
  std::int64_t count = 0;
  double side[3] = {0.0, 0.0, 0.0};  // Å
  std::string columns;
};

enum class Step { ok, end, truncated, failed };

class Parser {
 public:
  Parser(const std::string& path, const DumpOptions& options, std::FILE* file, Dump& dump)
      : path_(path), options_(options), source_(file), dump_(dump) {}

  bool run(std::string* message, std::string* warning);

 private:
  const std::string& path_;
  const DumpOptions& options_;
  LineReader source_;
  Dump& dump_;
  std::string line_;
  std::string error_;
  std::string first_columns_;
  Columns columns_;

  Step fail(const std::string& reason) {
    error_ = "\"" + path_ + "\", line " + std::to_string(source_.number()) + ": " + reason;
    return Step::failed;
  }
  Step next(bool at_frame_start);
  Step value_line(std::vector<std::string_view>& values, std::size_t expected, const char* item);
  Step read_header(Header& h);
  Step check_frame(const Header& h, bool first);
  Step read_atoms(const Header& h, std::vector<std::int64_t>& ids, std::vector<double>& values);
  Step store_atoms(const std::vector<std::int64_t>& ids, const std::vector<double>& values, bool first);
  Step read_frame();
};

// The next line; the file may end at the start of a frame.
Step Parser::next(bool at_frame_start) {
  switch (source_.next(&line_, at_frame_start)) {
    case LineReader::Line::ok: return Step::ok;
    case LineReader::Line::end: return Step::end;
    case LineReader::Line::cut_off: return Step::truncated;
    case LineReader::Line::too_long:
      return fail("a line longer than " + std::to_string(formats::longest_line) +
                  " bytes: this is not a LAMMPS text dump");
    case LineReader::Line::failed: return fail(std::string("cannot read: ") + std::strerror(errno));
  }
  return Step::failed;
}

Step Parser::value_line(std::vector<std::string_view>& values, std::size_t expected, const char* item) {
  const Step s = next(false);
  if (s != Step::ok) return s;
  values = words(line_);
  if (values.size() != expected)
    return fail(std::string("expected ") + std::to_string(expected) + " value" + (expected == 1 ? "" : "s") +
                " after ITEM: " + item + ", found \"" + shown(line_) + "\"");
  return Step::ok;
}

Step Parser::read_header(Header& h) {
  std::vector<std::string_view> v;
  for (bool first = true;; first = false) {
    const Step s = next(first);
    if (s != Step::ok) return s;
    const std::string_view line = line_;
    if (line.rfind("ITEM: ", 0) != 0)
      return fail("expected an \"ITEM:\" line, found \"" + shown(line) + "\"");
    const std::string item(line.substr(6));
    Step got = Step::ok;
    if (item == "TIMESTEP") {
      if ((got = value_line(v, 1, "TIMESTEP")) != Step::ok) return got;
      if (!parse_integer(v[0], &h.timestep)) return fail("bad timestep \"" + shown(v[0]) + "\"");
      h.has_timestep = true;
    } else if (item == "TIME") {
      if ((got = value_line(v, 1, "TIME")) != Step::ok) return got;
      if (!parse_real(v[0], &h.time)) return fail("bad time \"" + shown(v[0]) + "\"");
      h.has_time = true;
    } else if (item == "UNITS") {
      if ((got = value_line(v, 1, "UNITS")) != Step::ok) return got;
      if (v[0] != "metal")
        return fail("units \"" + shown(v[0]) + "\": the analysis reads metal units (Å, ps, Å/ps)");
    } else if (item == "NUMBER OF ATOMS") {
      if ((got = value_line(v, 1, "NUMBER OF ATOMS")) != Step::ok) return got;
      if (!parse_integer(v[0], &h.count)) return fail("bad atom count \"" + shown(v[0]) + "\"");
      if (h.count < 2) return fail("fewer than 2 atoms: there are no pairs for g(r)");
      h.has_count = true;
    } else if (item.rfind("BOX BOUNDS", 0) == 0) {
      const auto flags = words(std::string_view(item).substr(10));
      if (flags.size() != 3)
        return fail("the box is not cubic: \"ITEM: " + shown(item) + "\" is a triclinic box");
      for (std::string_view flag : flags)
        if (flag != "pp")
          return fail("the box is not periodic in every direction (\"ITEM: " + shown(item) +
                      "\"): g(r) and the dynamics need a periodic box");
      for (int k = 0; k < 3; ++k) {
        if ((got = value_line(v, 2, "BOX BOUNDS")) != Step::ok) return got;
        double lo = 0.0, hi = 0.0;
        if (!parse_real(v[0], &lo) || !parse_real(v[1], &hi) || !(hi > lo))
          return fail("bad box bounds \"" + shown(line_) + "\"");
        h.side[k] = hi - lo;
      }
      h.has_box = true;
    } else if (item.rfind("ATOMS", 0) == 0) {
      h.columns = item.substr(5);
      break;
    } else {
      return fail("unknown item \"ITEM: " + shown(item) + "\"");
    }
  }
  if (!h.has_timestep) return fail("the frame has no ITEM: TIMESTEP before its atoms");
  if (!h.has_count) return fail("the frame has no ITEM: NUMBER OF ATOMS before its atoms");
  if (!h.has_box) return fail("the frame has no ITEM: BOX BOUNDS before its atoms");
  return Step::ok;
}

// The frame's box and columns: the first frame sets them (and the dump's atom count and box), every
// later one must repeat them and come later in time.
Step Parser::check_frame(const Header& h, bool first) {
  const double side = h.side[0];
  for (int k = 1; k < 3; ++k)
    if (!(std::fabs(h.side[k] - side) <= cubic_tolerance * side))
      return fail("the box is not cubic: its sides are " + formats::shortest(h.side[0]) + ", " +
                  formats::shortest(h.side[1]) + " and " + formats::shortest(h.side[2]) + " Å");
  if (first) {
    first_columns_ = h.columns;
    columns_ = find_columns(h.columns);
    const Columns& c = columns_;
    if (c.id < 0) return fail("the atoms have no \"id\" column");
    const bool unwrapped = Columns::all(c.unwrapped);
    if (!unwrapped && !Columns::all(c.x))
      return fail("the atoms have no positions: a dump needs the columns x y z (with ix iy iz) or xu yu zu");
    dump_.atoms = h.count;
    dump_.box = side / angstrom_per_nm;
    dump_.continuous = unwrapped || Columns::all(c.image);
    dump_.has_velocities = Columns::all(c.v);
    return Step::ok;
  }
  if (h.columns != first_columns_)
    return fail("the atom columns \"" + shown(h.columns) + "\" differ from those of the first frame");
  if (h.count != dump_.atoms)
    return fail("the frame has " + std::to_string(h.count) + " atoms, the first had " +
                std::to_string(dump_.atoms));
  if (!(std::fabs(side / angstrom_per_nm - dump_.box) <= cubic_tolerance * dump_.box))
    return fail("the box changes between frames: the analysis needs a fixed box");
  if (h.timestep <= dump_.timesteps.back())
    return fail("timestep " + std::to_string(h.timestep) + " does not follow timestep " +
                std::to_string(dump_.timesteps.back()) +
                ": frames must come in time order (was the dump appended to by a second run?)");
  return Step::ok;
}

// The atom lines in file order; grown line by line, so a count the file does not hold costs
// nothing. values gets per atom x y z (Å, unwrapped where possible), vx vy vz (Å/ps).
Step Parser::read_atoms(const Header& h, std::vector<std::int64_t>& ids, std::vector<double>& values) {
  const Columns& c = columns_;
  const bool unwrapped = Columns::all(c.unwrapped);
  for (std::int64_t n = 0; n < h.count; ++n) {
    const Step s = next(false);
    if (s != Step::ok) return s;
    const auto v = words(line_);
    if (static_cast<int>(v.size()) != c.count)
      return fail("expected " + std::to_string(c.count) + " values in an atom line, found " +
                  std::to_string(v.size()));
    std::int64_t id = 0;
    if (!parse_integer(v[c.id], &id)) return fail("bad atom id \"" + shown(v[c.id]) + "\"");
    ids.push_back(id);
    for (int k = 0; k < 3; ++k) {
      const int col = unwrapped ? c.unwrapped[k] : c.x[k];
      double x = 0.0;
      if (!parse_real(v[col], &x)) return fail("bad position \"" + shown(v[col]) + "\"");
      if (!unwrapped && c.image[k] >= 0) {
        std::int64_t image = 0;
        if (!parse_integer(v[c.image[k]], &image))
          return fail("bad image flag \"" + shown(v[c.image[k]]) + "\"");
        x = x + static_cast<double>(image) * h.side[k];
      }
      values.push_back(x);
    }
    for (int k = 0; k < 3; ++k) {
      double u = 0.0;
      if (dump_.has_velocities && !parse_real(v[c.v[k]], &u))
        return fail("bad velocity \"" + shown(v[c.v[k]]) + "\"");
      values.push_back(u);
    }
  }
  return Step::ok;
}

// Stores the frame in ascending id order, the order of the first frame's sorted ids, in nm and nm/ps.
Step Parser::store_atoms(const std::vector<std::int64_t>& ids, const std::vector<double>& values,
                         bool first) {
  const std::int64_t atoms = dump_.atoms;
  if (first) {
    dump_.ids = ids;
    std::sort(dump_.ids.begin(), dump_.ids.end());
    const auto twice = std::adjacent_find(dump_.ids.begin(), dump_.ids.end());
    if (twice != dump_.ids.end())
      return fail("atom id " + std::to_string(*twice) + " appears twice in the frame");
  }
  const std::size_t base = dump_.positions.size();
  dump_.positions.resize(base + 3 * atoms);
  if (dump_.has_velocities) dump_.velocities.resize(base + 3 * atoms);
  std::vector<char> seen(atoms, 0);
  for (std::int64_t n = 0; n < atoms; ++n) {
    const auto at = std::lower_bound(dump_.ids.begin(), dump_.ids.end(), ids[n]);
    if (at == dump_.ids.end() || *at != ids[n])
      return fail("atom id " + std::to_string(ids[n]) + " is not in the first frame");
    const std::int64_t i = at - dump_.ids.begin();
    if (seen[i]) return fail("atom id " + std::to_string(ids[n]) + " appears twice in the frame");
    seen[i] = 1;
    for (int k = 0; k < 3; ++k) {
      dump_.positions[base + k * atoms + i] = values[6 * n + k] / angstrom_per_nm;
      if (dump_.has_velocities)
        dump_.velocities[base + k * atoms + i] = values[6 * n + 3 + k] / angstrom_per_nm;
    }
  }
  return Step::ok;
}

Step Parser::read_frame() {
  Header h;
  const bool first = dump_.frames() == 0;
  std::vector<std::int64_t> ids;
  std::vector<double> values;
  Step s = read_header(h);
  if (s == Step::ok) s = check_frame(h, first);
  if (s == Step::ok) s = read_atoms(h, ids, values);
  if (s == Step::ok) s = store_atoms(ids, values, first);
  if (s != Step::ok) return s;
  dump_.timesteps.push_back(h.timestep);
  dump_.times.push_back(h.has_time ? h.time : static_cast<double>(h.timestep) * options_.dt);
  return Step::ok;
}

bool Parser::run(std::string* message, std::string* warning) {
  for (;;) {
    const long long frame_start = source_.number() + 1;
    const Step s = read_frame();
    if (s == Step::ok) continue;
    if (s == Step::failed) {
      *message = error_;
      return false;
    }
    if (s == Step::end) break;
    // Truncated: drop what was read of the frame.
    const std::size_t complete = dump_.frames();
    const std::string where = "\"" + path_ + "\", line " + std::to_string(source_.number()) +
                              ": the dump ends inside frame " + std::to_string(complete + 1) +
                              " (from line " + std::to_string(frame_start) + ")";
    if (complete == 0) {
      *message = where + ": there is no complete frame";
      return false;
    }
    const std::string frames = std::to_string(complete) + " complete frame" + (complete == 1 ? "" : "s");
    if (!options_.allow_truncated) {
      *message = where + ", as a run that was stopped leaves it; --allow-truncated analyses the " + frames +
                 " before it";
      return false;
    }
    *warning = where + "; it is dropped and the " + frames + " before it are analysed";
    dump_.positions.resize(complete * 3 * dump_.atoms);
    if (dump_.has_velocities) dump_.velocities.resize(complete * 3 * dump_.atoms);
    return true;
  }
  if (dump_.frames() == 0) {
    *message = "\"" + path_ + "\": the dump is empty";
    return false;
  }
  return true;
}

}  // namespace

bool read_dump(const std::string& path, const DumpOptions& options, Dump& dump, std::string* message,
               std::string* warning) {
  dump = Dump{};
  warning->clear();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    *message = "cannot read the dump \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  auto parser = std::make_unique<Parser>(path, options, file.get(), dump);
  return parser->run(message, warning);
}

}  // namespace pelzak::lammps
