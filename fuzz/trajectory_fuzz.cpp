// The trajectory reader over arbitrary bytes.
//
// Every frame it accepts has finite values, a positive box and whole image counts; every refusal
// names the file and the line; its positions come out of the writer's number shortcut as
// std::to_chars writes them. And the writer's text of an accepted frame is itself a trajectory:
// read back it gives one frame whose text is the same bytes, so that whatever the reader lets
// through, the writer writes readably and stably.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "check.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/trajectory_reader.hpp"
#include "pelzak/formats/trajectory_writer.hpp"

using pelzak::fuzz::require;
namespace trajectory = pelzak::formats::trajectory;

namespace {

using Result = trajectory::Reader::Result;

// Reads the bytes as the file "t.xyz"; calls each(frame) per frame. Returns the last result.
template <class Each>
Result read(const char* data, std::size_t size, std::string* message, Each each) {
  if (size == 0) return Result::end;  // fmemopen takes no empty buffer
  std::FILE* file = fmemopen(const_cast<char*>(data), size, "rb");
  require(file != nullptr);
  Result r = Result::end;
  {
    trajectory::Reader reader(file, "t.xyz");
    trajectory::Frame f;
    while ((r = reader.next(f, message)) == Result::frame) each(f);
  }
  std::fclose(file);
  return r;
}

// The writer's number text is std::to_chars's.
void check_number(double x, int decimals) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  std::string text;
  pelzak::formats::append_fixed(text, x, decimals);
  require(r.ec == std::errc() && text == std::string(buf, r.ptr));
}

void check_frame(const trajectory::Frame& f) {
  const std::size_t n3 = 3 * static_cast<std::size_t>(f.atoms);
  for (std::size_t n = 0; n < n3; ++n)
    for (int decimals : {0, trajectory::position_decimals, 9}) check_number(f.positions[n], decimals);
  require(f.atoms >= 1 && f.positions.size() == n3 && f.velocities.size() == n3 && f.images.size() == n3);
  require(std::isfinite(f.box) && f.box > 0.0 && std::isfinite(f.time_ps) && f.step >= 0);
  for (std::size_t n = 0; n < n3; ++n) {
    require(std::isfinite(f.positions[n]) && std::isfinite(f.velocities[n]));
    require(f.images[n] == std::floor(f.images[n]) && std::fabs(f.images[n]) <= 9007199254740992.0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string message;
  const Result r = read(reinterpret_cast<const char*>(data), size, &message, [](const trajectory::Frame& f) {
    check_frame(f);
    const std::string text = trajectory::frame_text(f);
    std::string again_message;
    int frames = 0;
    const Result again = read(text.data(), text.size(), &again_message, [&](const trajectory::Frame& g) {
      ++frames;
      require(trajectory::frame_text(g) == text);
    });
    require(again == Result::end && frames == 1);
  });
  if (r == Result::error || r == Result::truncated) require(message.rfind("\"t.xyz\", line ", 0) == 0);
  return 0;
}
