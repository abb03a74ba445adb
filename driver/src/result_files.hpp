// The result files of a run, listed in one place: the members of the run's file set
// (pelzak/formats/file_set.hpp). Everything that treats the results as one set (the checks before a
// run, the move into place, the removal of an earlier run's files that this run does not write)
// goes by this list, so a new kind of result is one more name here and a
// writer that creates it in the staging folder.
#pragma once

#include <string_view>

#include "pelzak/formats/file_names.hpp"

namespace pelzak::md {

// Every file a run may leave in the run folder, in the order a finished set is moved into place.
// g(r), the run's main result, comes last: once it is the new one, every other file of the set is
// new as well.
inline constexpr std::string_view result_files[] = {formats::thermo_file,
                                                    formats::thermo_plot_file,
                                                    formats::trajectory_file,
                                                    formats::msd_file,
                                                    formats::vacf_file,
                                                    formats::spectrum_file,
                                                    formats::rdf_plot_file,
                                                    formats::rdf_production_file,
                                                    formats::dynamics_plot_file,
                                                    formats::vanhove_file,
                                                    formats::fsk_file,
                                                    formats::sk_file,
                                                    formats::scattering_plot_file,
                                                    formats::final_file,
                                                    formats::checkpoint_file,
                                                    formats::summary_file,
                                                    formats::rdf_file};

}  // namespace pelzak::md
