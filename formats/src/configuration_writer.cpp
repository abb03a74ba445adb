#include "pelzak/formats/configuration_writer.hpp"

#include "pelzak/formats/fields.hpp"

namespace pelzak::formats {

using namespace configuration;

std::size_t title_line(char* line) {
  put_text(line, title_width, title);
  line[title_width] = '\n';
  return title_width + 1;
}

std::size_t count_line(char* line, long long atom_count) {
  line[0] = ' ';
  put_integer(line + 1, count_width, atom_count);
  put_text(line + 1 + count_width, species_width, species);
  line[count_line_width] = '\n';
  return count_line_width + 1;
}

std::size_t atom_record(char* line, int index, const double position[3], const double velocity[3]) {
  for (int f = 0; f < field_count; ++f) {
    const Field& field = record_fields[f];
    char* at = line + field.first - 1;
    switch (field.kind) {
      case Kind::integer: put_integer(at, field.width, index); break;
      case Kind::text: put_text(at, field.width, atom_name); break;
      case Kind::real: {
        const int r = f - first_real_field;  // positions x, y, z, then velocities x, y, z
        put_fixed(at, field.width, field.decimals, r < 3 ? position[r] : velocity[r - 3]);
        break;
      }
    }
  }
  line[record_width] = '\n';
  return record_width + 1;
}

void configuration_text(const double* positions, const double* velocities, char* text) {
  configuration_text(model::atoms, positions, velocities, text);
}

void configuration_text(int atoms, const double* positions, const double* velocities, char* text) {
  char* p = text;
  p += title_line(p);
  p += count_line(p, atoms);
  for (long i = 0; i < atoms; ++i) {
    double position[3], velocity[3];
    for (int k = 0; k < 3; ++k) {
      position[k] = positions[k * static_cast<long>(atoms) + i];
      velocity[k] = velocities[k * static_cast<long>(atoms) + i];
    }
    p += atom_record(p, static_cast<int>(i + 1), position, velocity);
  }
}

}  // namespace pelzak::formats
