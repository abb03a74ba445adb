// Numbers in fixed-width fields of the configuration file, read without the C locale's help.
//
// Blanks anywhere in a field are ignored and an all-blank field is zero. An integer field holds
// an optional sign and digits. A real field holds an optional sign, digits with an optional
// decimal point and an optional exponent (E, e, D or d, an optional sign, digits); without a
// decimal point its last three digits are the fraction. The decimal value is rounded once to
// the nearest double.
#pragma once

namespace pelzak::aux {

enum class FieldStatus {
  ok,
  bad_value,     // not a number of the form above
  out_of_range,  // a well-formed real whose magnitude exceeds the largest double
};

// Digits after the implied decimal point of a real field written without one.
inline constexpr int implied_decimals = 3;

FieldStatus parse_integer_field(const char* field, int width, long* value);
FieldStatus parse_real_field(const char* field, int width, double* value);

}  // namespace pelzak::aux
