#include "lammps_log.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string_view>

namespace pelzak::lammps {

namespace {

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool parse_real(std::string_view word, double* value) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return ec == std::errc() && end == word.data() + word.size();
}

}  // namespace

bool read_thermo(const std::string& path, ThermoTable& table, std::string* message) {
  table = ThermoTable{};
  std::ifstream in(path);
  if (!in) {
    *message = "cannot read \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  std::string line;
  bool in_block = false;
  std::vector<std::string> header;
  while (std::getline(in, line)) {
    const auto w = words(line);
    if (w.empty()) continue;
    if (w[0] == "Step") {
      header.assign(w.begin(), w.end());
      if (table.columns.empty()) table.columns = header;
      in_block = header == table.columns;
      continue;
    }
    if (w[0] == "Loop") {
      in_block = false;
      continue;
    }
    if (!in_block || w.size() != table.columns.size()) continue;
    std::vector<double> row(w.size());
    bool numbers = true;
    for (std::size_t k = 0; k < w.size() && numbers; ++k) numbers = parse_real(w[k], &row[k]);
    if (numbers) table.rows.push_back(std::move(row));
  }
  if (table.rows.empty()) {
    *message = "\"" + path + "\" holds no thermo rows";
    return false;
  }
  return true;
}

bool column_mean(const ThermoTable& table, const std::string& column, double* mean) {
  for (std::size_t k = 0; k < table.columns.size(); ++k) {
    if (table.columns[k] != column) continue;
    double sum = 0.0;
    for (const auto& row : table.rows) sum += row[k];
    *mean = sum / static_cast<double>(table.rows.size());
    return true;
  }
  return false;
}

}  // namespace pelzak::lammps
