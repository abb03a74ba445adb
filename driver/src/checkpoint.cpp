#include "checkpoint.hpp"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/number_text.hpp"
#include "simulation.hpp"
#include "state_point.hpp"

namespace pelzak::md {

namespace {

constexpr char magic[] = "pelzak_md checkpoint 2";
constexpr int arrays = 5;

// FNV-1a, 64 bits: enough to tell a damaged file from a whole one.
std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (unsigned char b : bytes) h = (h ^ b) * 0x100000001b3u;
  return h;
}

void put_doubles(std::string& out, const std::vector<double>& v) {
  for (double x : v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    for (int k = 0; k < 8; ++k) out += static_cast<char>((bits >> (8 * k)) & 0xff);
  }
}

void get_doubles(const char* bytes, std::vector<double>& v) {
  for (double& x : v) {
    std::uint64_t bits = 0;
    for (int k = 0; k < 8; ++k)
      bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[k])) << (8 * k);
    std::memcpy(&x, &bits, sizeof x);
    bytes += 8;
  }
}

// The header, line by line, each "name value" checked as it is read.
class Header {
 public:
  Header(std::string_view bytes, const std::string& path) : bytes_(bytes), path_(path) {}

  // The next line's value after "name "; false with a message if the line is another.
  bool value(const char* name, std::string_view* v) {
    const std::size_t end = bytes_.find('\n', at_);
    ++line_;
    if (end == std::string_view::npos) return fail(std::string("the file ends before \"") + name + "\"");
    const std::string_view text = bytes_.substr(at_, end - at_);
    at_ = end + 1;
    const std::size_t length = std::strlen(name);
    if (text.substr(0, length) != name || text.size() <= length || text[length] != ' ')
      return fail(std::string("expected \"") + name + " ...\"");
    *v = text.substr(length + 1);
    return true;
  }
  template <typename T>
  bool number(const char* name, T* x) {
    std::string_view v;
    if (!value(name, &v)) return false;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), *x);
    if (ec != std::errc() || end != v.data() + v.size()) return fail(std::string("bad ") + name);
    return true;
  }
  bool flag(const char* name, bool* b) {
    int v = -1;
    if (!number(name, &v)) return false;
    if (v != 0 && v != 1) return fail(std::string("bad ") + name);
    *b = v == 1;
    return true;
  }
  bool fail(const std::string& why) {
    message_ = "\"" + path_ + "\", line " + std::to_string(line_) + ": " + why +
               ": not a checkpoint pelzak_md wrote, or a damaged one";
    return false;
  }
  bool fail_file(const std::string& why) {
    message_ = "\"" + path_ + "\": " + why + ": not a checkpoint pelzak_md wrote, or a damaged one";
    return false;
  }
  std::size_t at() const { return at_; }
  const std::string& message() const { return message_; }

 private:
  std::string_view bytes_;
  const std::string& path_;
  std::size_t at_ = 0;
  int line_ = 0;
  std::string message_;
};

bool read_header(Header& h, Checkpoint* c, std::size_t* per_array, std::uint64_t* hash) {
  std::string_view v;
  Options& o = c->state;
  if (!h.value("pelzak_md", &v) || v != "checkpoint 2")
    return h.fail("not a pelzak_md checkpoint of this version");
  if (!h.number("atoms", &o.atoms) || !h.number("density", &o.density) ||
      !h.number("temperature", &o.temperature) || !h.number("cutoff_sigma", &o.cutoff_sigma) ||
      !h.flag("tail", &o.tail) || !h.value("time_step", &v))
    return false;
  const std::size_t blank = v.find(' ');
  if (blank == std::string_view::npos ||
      std::from_chars(v.data(), v.data() + blank, o.time_step_units).ptr != v.data() + blank ||
      std::from_chars(v.data() + blank + 1, v.data() + v.size(), o.time_step_decimals).ptr !=
          v.data() + v.size())
    return h.fail("bad time_step");
  if (!h.value("thermostat", &v)) return false;
  if (v == "rescale")
    o.thermostat = engine::Thermostat::rescale;
  else if (v == "csvr")
    o.thermostat = engine::Thermostat::csvr;
  else if (v == "none")
    o.thermostat = engine::Thermostat::none;
  else
    return h.fail("bad thermostat");
  if (!h.number("tau", &o.tau) || !h.number("seed", &o.seed) ||
      !h.number("elapsed_steps", &c->elapsed_steps) || !h.number("production_steps", &c->production_steps) ||
      !h.flag("have_half_step", &c->have_half_step) || !h.flag("drive_started", &c->drive_started) ||
      !h.number("last_scale", &c->last_scale) || !h.value("random", &v))
    return false;
  c->random = std::string(v);
  if (!h.value("arrays", &v)) return false;
  const std::string expected_count = std::to_string(arrays) + " ";
  const char* last = v.data() + v.size();
  const char* count_end = v.data() + expected_count.size();
  const auto sizes = v.substr(0, expected_count.size()) == expected_count
                         ? std::from_chars(count_end, last, *per_array)
                         : std::from_chars_result{last, std::errc::invalid_argument};
  if (sizes.ec != std::errc() || sizes.ptr == last || *sizes.ptr != ' ' ||
      std::from_chars(sizes.ptr + 1, last, *hash, 16).ptr != last)
    return h.fail("bad arrays");
  // Values no run could have had are a hand-edited file.
  const bool plausible = o.temperature > 0.0 && o.temperature <= 1e4 && o.density >= 0.0 &&
                         o.density <= 100.0 && o.cutoff_sigma > 0.0 && o.tau > 0.0 && o.time_step_units > 0 &&
                         o.time_step_decimals >= 0 && o.time_step_decimals <= 9 && c->production_steps >= 0 &&
                         c->elapsed_steps >= c->production_steps && c->last_scale == c->last_scale;
  return plausible || h.fail_file("a value out of range");
}

}  // namespace

std::string checkpoint_bytes(const State& s) {
  const Options& o = s.options;
  const engine::System& sys = s.system;
  std::string arrays_bytes;
  // Before the first list, the list the next step builds comes from the positions themselves.
  std::vector<double> list_origin = sys.positions;
  s.forces.list_origin(list_origin.data());
  for (const std::vector<double>* v : {&sys.positions, &sys.velocities, &sys.drive, &sys.half_step,
                                       static_cast<const std::vector<double>*>(&list_origin)})
    put_doubles(arrays_bytes, *v);
  char hash[17] = {};
  std::to_chars(hash, hash + 16, fnv1a(arrays_bytes), 16);
  std::string text = std::string(magic) + "\n";
  text += "atoms " + std::to_string(o.atoms) + "\n";
  text += "density " + formats::shortest(o.density) + "\n";
  text += "temperature " + formats::shortest(o.temperature) + "\n";
  text += "cutoff_sigma " + formats::shortest(o.cutoff_sigma) + "\n";
  text += "tail " + std::string(o.tail ? "1" : "0") + "\n";
  text +=
      "time_step " + std::to_string(o.time_step_units) + " " + std::to_string(o.time_step_decimals) + "\n";
  text += std::string("thermostat ") + thermostat_name(o.thermostat) + "\n";
  text += "tau " + formats::shortest(o.tau) + "\n";
  text += "seed " + std::to_string(o.seed) + "\n";
  text += "elapsed_steps " + std::to_string(s.elapsed) + "\n";
  text += "production_steps " + std::to_string(s.production_before + s.production.steps) + "\n";
  text += "have_half_step " + std::string(sys.have_half_step ? "1" : "0") + "\n";
  text += "drive_started " + std::string(sys.drive_started ? "1" : "0") + "\n";
  text += "last_scale " + formats::shortest(sys.last_scale) + "\n";
  text += "random " + sys.random.state_text() + "\n";
  text += "arrays " + std::to_string(arrays) + " " + std::to_string(sys.positions.size()) + " " + hash + "\n";
  return text + arrays_bytes;
}

bool read_checkpoint(const std::string& path, const std::string& shown, Checkpoint* c, std::string* message) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *message = "no \"" + shown + "\" to continue from (" + std::strerror(errno) +
               "): every run writes one with its results";
    return false;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Header h(bytes, shown);
  std::size_t per_array = 0;
  std::uint64_t hash = 0;
  if (!read_header(h, c, &per_array, &hash)) return *message = h.message(), false;
  const std::string_view data = std::string_view(bytes).substr(h.at());
  if (c->state.atoms < 2 || c->state.atoms > engine::max_atoms ||
      per_array != 3 * static_cast<std::size_t>(c->state.atoms) || data.size() != arrays * 8 * per_array ||
      fnv1a(data) != hash) {
    *message = "\"" + shown + "\": its arrays are cut short or damaged (" + std::to_string(data.size()) +
               " bytes after the header); the run cannot continue from it";
    return false;
  }
  std::vector<double>* targets[] = {&c->positions, &c->velocities, &c->drive, &c->half_step, &c->list_origin};
  for (int a = 0; a < arrays; ++a) {
    targets[a]->assign(per_array, 0.0);
    get_doubles(data.data() + a * 8 * per_array, *targets[a]);
  }
  return true;
}

Options continued_options(const Options& options, const Checkpoint& c) {
  Options o = options;
  const Options& st = c.state;
  o.atoms = st.atoms;
  o.density = st.density;
  o.temperature = st.temperature;
  o.cutoff_sigma = st.cutoff_sigma;
  o.tail = st.tail;
  o.time_step_units = st.time_step_units;
  o.time_step_decimals = st.time_step_decimals;
  o.thermostat = st.thermostat;
  o.tau = st.tau;
  o.seed = st.seed;
  o.start.clear();
  o.push_off_steps = 0;
  o.equilibration_steps = 0;
  return o;
}

bool restore(State& s, const Checkpoint& c, std::string* message) {
  engine::System& sys = s.system;
  if (!sys.random.restore(c.random)) {
    *message = "the checkpoint's random stream cannot be read: the run cannot continue from it";
    return false;
  }
  sys.positions = c.positions;
  sys.velocities = c.velocities;
  sys.drive = c.drive;
  sys.half_step = c.half_step;
  sys.have_half_step = c.have_half_step;
  sys.drive_started = c.drive_started;
  sys.last_scale = c.last_scale;
  s.forces.build_list(c.list_origin.data());
  s.elapsed = c.elapsed_steps;
  s.production_before = c.production_steps;
  return true;
}

}  // namespace pelzak::md
