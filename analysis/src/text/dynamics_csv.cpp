#include "pelzak/analysis/dynamics_csv.hpp"

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis {

namespace {
constexpr int axis_digits = 7;
}

std::string msd_csv(const MsdResult& msd) {
  std::string text = "t_ps,msd_nm2,alpha2\n";
  for (size_t i = 0; i < msd.time.size(); ++i)
    text += formats::rounded(msd.time[i], axis_digits) + "," + formats::shortest(msd.msd[i]) + "," +
            formats::shortest(msd.alpha2[i]) + "\n";
  return text;
}

std::string vacf_csv(const VacfResult& vacf) {
  std::string text = "t_ps,vacf\n";
  for (size_t i = 0; i < vacf.time.size(); ++i)
    text += formats::rounded(vacf.time[i], axis_digits) + "," + formats::shortest(vacf.normalised[i]) + "\n";
  return text;
}

std::string spectrum_csv(const Spectrum& spectrum) {
  std::string text = "nu_THz,dos_per_THz\n";
  for (size_t i = 0; i < spectrum.frequency.size(); ++i)
    text += formats::rounded(spectrum.frequency[i], axis_digits) + "," +
            formats::shortest(spectrum.density[i]) + "\n";
  return text;
}

}  // namespace pelzak::analysis
