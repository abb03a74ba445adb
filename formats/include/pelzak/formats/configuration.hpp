// The layout of a configuration file ("ar_simulation.dat", "final_argon.dat"), stated once for the
// writer (configuration_writer.hpp) and the reader (configuration_reader.hpp):
//
//   line 1        " Test"                                          title, 5 characters
//   line 2        blank, the atom count in 20 columns, " Argon"    27 characters
//   lines 3..866  one atom record per atom                         68 characters
//
// every line ending in a line feed. An atom record is ten fixed-column fields, in field-descriptor
// notation (i5, 2a5, i5, 3f8.3, 3f8.4): index, "Ar", "Ar", index, the position x, y, z in nm with
// 3 decimals, the velocity x, y, z in nm/ps with 4. The reader takes every real field as written,
// and one written without a decimal point with 3 implied decimals.
#pragma once

#include "pelzak_model.h"

namespace pelzak::formats::configuration {

enum class Kind { integer, text, real };

// One field of an atom record: columns first .. first + width - 1 (1-based), the decimals a real
// field is written with, and the name a diagnostic gives it.
struct Field {
  int first;
  int width;
  int decimals;
  Kind kind;
  const char* name;
  constexpr int last() const { return first + width - 1; }
};

inline constexpr Field record_fields[] = {
    {1, 5, 0, Kind::integer, "atom index"}, {6, 5, 0, Kind::text, "first name"},
    {11, 5, 0, Kind::text, "second name"},  {16, 5, 0, Kind::integer, "second atom index"},
    {21, 8, 3, Kind::real, "x position"},   {29, 8, 3, Kind::real, "y position"},
    {37, 8, 3, Kind::real, "z position"},   {45, 8, 4, Kind::real, "x velocity"},
    {53, 8, 4, Kind::real, "y velocity"},   {61, 8, 4, Kind::real, "z velocity"},
};
inline constexpr int field_count = sizeof record_fields / sizeof record_fields[0];
// The six real fields, positions x, y, z then velocities x, y, z, from this index on.
inline constexpr int first_real_field = 4;
inline constexpr int record_width = 68;
// What both name fields hold.
inline constexpr char atom_name[] = "Ar";

// Line 1: the title, right-aligned in title_width columns.
inline constexpr char title[] = "Test";
inline constexpr int title_width = 5;
// Line 2: a blank, the atom count right-aligned in count_width columns, then the species name
// right-aligned in species_width columns.
inline constexpr int count_width = 20;
inline constexpr char species[] = "Argon";
inline constexpr int species_width = 6;
inline constexpr int count_line_width = 1 + count_width + species_width;

inline constexpr int header_lines = 2;
inline constexpr int total_lines = header_lines + model::atoms;

// A real field written without a decimal point has this many implied decimals when read.
inline constexpr int implied_decimals = 3;

// Bytes of a whole file of `atoms` records, line feeds included, and of the library's 864.
constexpr long size_of(long atoms) {
  return (title_width + 1) + (count_line_width + 1) + atoms * (record_width + 1);
}
inline constexpr int file_size = static_cast<int>(size_of(model::atoms));

constexpr bool fields_tile_the_record() {
  int next = 1;
  for (const Field& f : record_fields) {
    if (f.first != next) return false;
    next = f.first + f.width;
  }
  return next == record_width + 1;
}
static_assert(fields_tile_the_record());
static_assert(record_fields[first_real_field].kind == Kind::real && field_count - first_real_field == 6);
static_assert(count_line_width == 27);

}  // namespace pelzak::formats::configuration
