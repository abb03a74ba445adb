// A flat JSON object as text, for the summaries programs read ("summary_argon.json"): keys in the
// order added, numbers as the shortest text that reads back as the same double (NaN and the
// infinities, which JSON lacks, as null), independent of the process locale.
#pragma once

#include <string>
#include <string_view>

namespace pelzak::analysis {

class JsonObject {
 public:
  void number(std::string_view key, double value);
  void integer(std::string_view key, long long value);
  void text(std::string_view key, std::string_view value);
  void boolean(std::string_view key, bool value);
  // The object, one key per line, ending in a line feed.
  std::string str() const;

 private:
  void key(std::string_view key);
  std::string body_;
};

}  // namespace pelzak::analysis
