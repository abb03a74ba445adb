// The thermo table of a LAMMPS log ("log.lammps"): the rows under each "Step ..." header line up to
// "Loop time", every run of the input in order. Warnings and other lines in between are skipped.
#pragma once

#include <string>
#include <vector>

namespace pelzak::lammps {

struct ThermoTable {
  std::vector<std::string> columns;       // from the first header, e.g. Step Time Temp PotEng ... v_pe_eps
  std::vector<std::vector<double>> rows;  // rows of every block whose header matches the first
};

// False with a message if the file cannot be read or holds no thermo row.
bool read_thermo(const std::string& path, ThermoTable& table, std::string* message);

// Mean of a column over all rows; false if the table has no such column.
bool column_mean(const ThermoTable& table, const std::string& column, double* mean);

}  // namespace pelzak::lammps
