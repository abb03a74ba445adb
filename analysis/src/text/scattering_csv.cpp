#include "pelzak/analysis/scattering_csv.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis {

namespace {

constexpr int axis_digits = 7;

std::string cell(double value) { return std::isnan(value) ? std::string() : formats::shortest(value); }

}  // namespace

std::string vanhove_csv(const SelfMotionResult& motion, const std::vector<double>& times) {
  std::string text = "t_ps,r_nm,four_pi_r2_Gs_per_nm,gaussian_per_nm\n";
  for (double t : times) {
    const double lag = std::round(t / motion.frame_time);
    if (!(lag >= 0.0 && lag < static_cast<double>(motion.gs.size()))) continue;
    const size_t l = static_cast<size_t>(lag);
    const std::string time = formats::rounded(motion.time[l], axis_digits) + ",";
    for (size_t b = 0; b < motion.gs[l].size(); ++b)
      text += time + formats::rounded((b + 0.5) * motion.bin_width, axis_digits) + "," +
              formats::shortest(motion.gs[l][b]) + "," + formats::shortest(motion.gauss[l][b]) + "\n";
  }
  return text;
}

std::string fsk_csv(const SelfMotionResult& motion) {
  std::string text = "t_ps";
  for (double k : motion.wave_numbers) {
    text += ",Fs_k";
    text += formats::shortest(k);
    text += "_per_nm";
  }
  text += "\n";
  for (size_t lag = 0; lag < motion.time.size(); ++lag) {
    text += formats::rounded(motion.time[lag], axis_digits);
    for (const auto& fs : motion.fs) {
      text += ",";
      text += formats::shortest(fs[lag]);
    }
    text += "\n";
  }
  return text;
}

std::string sk_csv(const SkTable& table) {
  std::string text = "k_per_nm,S_direct,S_from_gr\n";
  for (size_t i = 0; i < table.k.size(); ++i)
    text += formats::rounded(table.k[i], axis_digits) + "," + cell(table.direct[i]) + "," +
            cell(table.from_rdf[i]) + "\n";
  return text;
}

}  // namespace pelzak::analysis
