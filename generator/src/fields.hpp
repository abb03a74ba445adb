// Fixed-width text fields of the configuration file: fixed-point reals, integers and text, each
// right-aligned in its field and written the same way whatever the process locale.
#pragma once

#include <string_view>

namespace pelzak::initial {

// Widest field the formatters handle; a wider request is filled with asterisks.
inline constexpr int kMaxFieldWidth = 32;
// Most decimals a fixed-point field may carry; more is filled with asterisks.
inline constexpr int kMaxDecimals = 16;

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

}  // namespace pelzak::initial
