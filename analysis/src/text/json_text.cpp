#include "pelzak/analysis/json_text.hpp"

#include <cmath>
#include <cstdio>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis {

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
std::string quoted(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

void JsonObject::key(std::string_view key) {
  body_ += body_.empty() ? "{\n  " : ",\n  ";
  body_ += quoted(key) + ": ";
}

void JsonObject::number(std::string_view k, double value) {
  key(k);
  body_ += std::isfinite(value) ? formats::shortest(value) : "null";
}

void JsonObject::integer(std::string_view k, long long value) {
  key(k);
  body_ += std::to_string(value);
}

void JsonObject::text(std::string_view k, std::string_view value) {
  key(k);
  body_ += quoted(value);
}

void JsonObject::boolean(std::string_view k, bool value) {
  key(k);
  body_ += value ? "true" : "false";
}

std::string JsonObject::str() const { return body_.empty() ? "{}\n" : body_ + "\n}\n"; }

}  // namespace pelzak::analysis
