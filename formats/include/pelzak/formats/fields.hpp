// The fixed-width fields of a configuration file, written and read, the same way whatever the
// process locale.
//
// Writing: fixed-point reals, integers and text, each right-aligned in its field.
// Reading: blanks anywhere in a field are ignored and an all-blank field is zero. An integer field
// holds an optional sign and digits. A real field holds an optional sign, digits with an optional
// decimal point and an optional exponent (E, e, D or d, an optional sign, digits); without a
// decimal point its last configuration::implied_decimals digits are the fraction. The decimal value
// is rounded once to the nearest double.
#pragma once

#include <string_view>

namespace pelzak::formats {

// Widest field the writers handle; a wider request is filled with asterisks.
inline constexpr int max_field_width = 32;
// Most decimals a fixed-point field may carry; more is filled with asterisks.
inline constexpr int max_decimals = 16;

// Writes exactly `width` characters at `field`, no terminator: `value` rounded to `decimals`
// places (nearest, exact halves away from zero), a minus sign whenever the sign bit is set (so a
// negative value that rounds to zero reads "-0.000"), at least one integer digit, the decimal
// point and `decimals` digits, right-aligned with blanks. A value that does not fit, NaN or an
// infinity is written as `width` asterisks.
void put_fixed(char* field, int width, int decimals, double value);

// Writes exactly `width` characters: the decimal digits of `value` (with a minus sign when
// negative) right-aligned, or `width` asterisks when they do not fit.
void put_integer(char* field, int width, long long value);

// Writes exactly `width` characters: `text` right-aligned with leading blanks; a longer text
// keeps its first `width` characters.
void put_text(char* field, int width, std::string_view text);

enum class FieldStatus {
  ok,
  bad_value,     // not a number of the form above
  out_of_range,  // a well-formed number whose magnitude exceeds what it is read into
};

FieldStatus parse_integer_field(const char* field, int width, long* value);
FieldStatus parse_real_field(const char* field, int width, double* value);

}  // namespace pelzak::formats
