// The text of the three CSV files of a dynamics analysis; the caller decides where they go.
// Lengths in nm, times in ps, frequencies in THz. Each file has a header line and one row per
// sample; values are the shortest text that reads back as the same double, times and frequencies
// are rounded to 7 significant digits (the decimals they stand for).
#pragma once

#include <string>

#include "pelzak/analysis/msd.hpp"
#include "pelzak/analysis/spectrum.hpp"
#include "pelzak/analysis/vacf.hpp"

namespace pelzak::analysis {

// "t_ps,msd_nm2,alpha2"
std::string msd_csv(const MsdResult& msd);

// "t_ps,vacf": the VACF normalised to 1 at t = 0.
std::string vacf_csv(const VacfResult& vacf);

// "nu_THz,dos_per_THz": the spectrum of the normalised VACF (unit area).
std::string spectrum_csv(const Spectrum& spectrum);

}  // namespace pelzak::analysis
