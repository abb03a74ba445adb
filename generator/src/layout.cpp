#include "layout.hpp"

#include "fields.hpp"

namespace pelzak::initial {

namespace {
constexpr int kIndexWidth = 5;
constexpr int kNameWidth = 5;
constexpr int kRealWidth = 8;
constexpr int kPositionDecimals = 3;
constexpr int kVelocityDecimals = 4;
constexpr int kCountWidth = 20;
}  // namespace

std::size_t title_line(char* line) {
  put_text(line, 5, "Test");
  line[kTitleLength] = '\n';
  return kTitleLength + 1;
}

std::size_t count_line(char* line, long long atom_count) {
  char* p = line;
  *p++ = ' ';
  put_integer(p, kCountWidth, atom_count);
  p += kCountWidth;
  put_text(p, 6, "Argon");
  line[kCountLength] = '\n';
  return kCountLength + 1;
}

std::size_t atom_record(char* line, int index, const double position[3], const double velocity[3]) {
  char* p = line;
  put_integer(p, kIndexWidth, index);
  p += kIndexWidth;
  put_text(p, kNameWidth, "Ar");
  p += kNameWidth;
  put_text(p, kNameWidth, "Ar");
  p += kNameWidth;
  put_integer(p, kIndexWidth, index);
  p += kIndexWidth;
  for (int k = 0; k < 3; ++k, p += kRealWidth) put_fixed(p, kRealWidth, kPositionDecimals, position[k]);
  for (int k = 0; k < 3; ++k, p += kRealWidth) put_fixed(p, kRealWidth, kVelocityDecimals, velocity[k]);
  line[kRecordLength] = '\n';
  return kRecordLength + 1;
}

}  // namespace pelzak::initial
