// The text of the scattering functions' CSV files; the caller decides where they go. Lengths in nm,
// times in ps, wave numbers in nm^-1. Each file has a header line and one row per sample; values are
// the shortest text that reads back as the same double, times, radii and wave numbers in the first
// columns are rounded to 7 significant digits (the decimals they stand for).
#pragma once

#include <string>
#include <vector>

#include "pelzak/analysis/self_motion.hpp"
#include "pelzak/analysis/structure_factor.hpp"

namespace pelzak::analysis {

// "t_ps,r_nm,four_pi_r2_Gs_per_nm,gaussian_per_nm": long format, one row per bin (r at its centre) for
// each of `times` in turn, at the lag nearest it; times beyond the lags reached are left out. Both
// densities are averages over the bin of the probability density of |dr|, each of unit area.
std::string vanhove_csv(const SelfMotionResult& motion, const std::vector<double>& times);

// "t_ps,Fs_k<k>_per_nm,...": one F_s column per wave number, whose header carries k as the shortest
// text that reads back as the same double (Fs_k20.2_per_nm is F_s at k = 20.2 nm^-1).
std::string fsk_csv(const SelfMotionResult& motion);

// "k_per_nm,S_direct,S_from_gr": the rows of sk_table, an empty cell where a route has no value.
std::string sk_csv(const SkTable& table);

}  // namespace pelzak::analysis
