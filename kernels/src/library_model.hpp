// The library's liquid as a pair model (pelzak/kernels/pair_model.hpp): its numbers as
// compile-time constants, so that the library's loops compile as if they were written in.
#pragma once

#include "pelzak/kernels/pair_model.hpp"
#include "pelzak_model.h"

namespace pelzak::kernels {

// The library's liquid: 864 atoms in the model's box, cut off at 2.25 sigma.
struct LibraryModel {
  static constexpr int atoms = model::atoms;
  static constexpr double box = model::box;
  static constexpr double cutoff_sq = model::cutoff_sq;
  static constexpr double wrap_1 = first_reaching(0.5, model::box);
  static constexpr double wrap_2 = first_reaching(1.5, model::box);
  static constexpr double wrap_3 = first_reaching(2.5, model::box);
  static constexpr double wrap_limit = first_reaching(3.5, model::box);
  // 2^20 nm: under 2^35 cells of this box.
  static constexpr double ordinary_bound = 1048576.0;
};
inline constexpr LibraryModel library_model{};

static_assert(LibraryModel::wrap_1 > 0.49 * model::box && LibraryModel::wrap_1 < 0.51 * model::box);
static_assert(LibraryModel::wrap_2 > 1.49 * model::box && LibraryModel::wrap_2 < 1.51 * model::box);
static_assert(LibraryModel::wrap_3 > 2.49 * model::box && LibraryModel::wrap_3 < 2.51 * model::box);
static_assert(LibraryModel::wrap_limit > 3.49 * model::box && LibraryModel::wrap_limit < 3.51 * model::box);

}  // namespace pelzak::kernels
