#include "pelzak/formats/text_input.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace pelzak::formats {

int read_whole_file(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      bytes->append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : 0;
    close(fd);
    return error;
  }
}

LineReader::Line LineReader::next(std::string* line, bool may_end) {
  line->clear();
  for (;;) {
    if (used_ == length_) {
      length_ = std::fread(buffer_, 1, sizeof buffer_, file_);
      used_ = 0;
      if (length_ == 0) {
        if (std::ferror(file_)) return Line::failed;
        if (line->empty()) return may_end ? Line::end : Line::cut_off;
        ++number_;
        return Line::cut_off;
      }
    }
    const char* start = buffer_ + used_;
    const void* found = std::memchr(start, '\n', length_ - used_);
    const std::size_t take =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - start) : length_ - used_;
    if (line->size() + take > longest_line) return Line::too_long;
    line->append(start, take);
    used_ += take;
    if (found) {
      ++used_;
      ++number_;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return Line::ok;
    }
  }
}

std::vector<std::string_view> words(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !blank(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool finite_real(std::string_view word, double* value) {
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return ec == std::errc() && end == word.data() + word.size() && std::isfinite(*value);
}

bool whole_number(std::string_view word, std::int64_t* value) {
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return ec == std::errc() && end == word.data() + word.size();
}

std::string shown(std::string_view text) {
  std::string out(text.substr(0, 60));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  if (text.size() > 60) out += "...";
  return out;
}

}  // namespace pelzak::formats
