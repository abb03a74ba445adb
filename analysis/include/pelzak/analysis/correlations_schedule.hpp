// A schedule for the scattering functions and the viscosity of the toolkit's liquid (864 atoms,
// steps of 0.01 ps), in ps and nm so that pelzak_md and a LAMMPS dump map onto the same one, with what
// each costs. Costs were measured against the driver's own step in turns in one process (a step is
// about 0.1 ms on an idle machine); the ratios are what carries over.
#pragma once

namespace pelzak::analysis::correlations_schedule {

// G_s and F_s: frames every 0.1 ps (the MSD's), lags to 10 ps (by when G_s is close to Gaussian
// again), origins every 2 ps (6 alive), blocks of 10 origins (20 ps). With four wave numbers this adds
// about 5 % to a step; each wave number costs about 1 %. Memory: 6 frames of 3N, the F_s sums
// (101 lags per wave number) and the G_s counts (101 lags x 301), about 0.4 MB.
inline constexpr double self_frame_time = 0.1;
inline constexpr double self_lag_time = 10.0;
inline constexpr double self_origin_spacing = 2.0;
inline constexpr int self_origins_per_block = 10;
inline constexpr double departure_peak_half_width = 1.0;  // ps, as for alpha2
// G_s: bins of 0.005 nm to 1.5 nm (four times the root-mean-square displacement at 10 ps), and the
// times written to "vanhove_argon.csv".
inline constexpr double vanhove_bin_width = 0.005;
inline constexpr int vanhove_bins = 300;
inline constexpr double vanhove_times[] = {0.5, 1.0, 2.0, 3.0, 10.0};
// F_s at the main peak of S(k) and at these multiples of it. The peak must be known when production
// starts: fs_peak_guess, where this liquid has it (the direct S(k) of 200 ps puts it at 19.8 nm^-1),
// scaled with the density as rho^(1/3) at other densities. One sample of S(k) would place it only
// within a few tenths of a nm^-1, and F_s at a k that moves from run to run could not be compared.
inline constexpr double fs_peak_multiples[] = {0.5, 1.0, 1.5};
inline constexpr double fs_peak_guess = 19.7;  // nm^-1, k sigma = 6.7

// S(k), direct: shells 0.25 nm^-1 wide (the peak is about 3 nm^-1 wide; the box's 1.8 nm^-1 shells
// would flatten it by a tenth), to 40 nm^-1 (past the second peak), at most 64 vectors a shell and
// 7,500 in all, a sample every 5 ps from 2.5 ps on. A sample costs about 1.1 ns per atom and vector, as a
// step costs about 0.2 us per atom: so about 40 steps at any N. The 864-atom box has 7,321 vectors under the
// cap of 64; larger boxes fill more shells and the cap drops to fit the 7,500 (55 a shell at 2,048 atoms, 48
// at 55,296, 47 at 442,368: 160 shells). A shell's mean then has the same statistical weight at every N (each
// |rho_k|^2 / N scatters by about S(k) whatever N), and S(k) takes about 8 % of a production of any length
// (two samples in 10 ps: at 2.5 and 7.5 ps). Memory: tables of 6 (k_max L / 2 pi + 1) x 128 doubles (0.55 MB
// at 55,296 atoms, 1.1 MB at 442,368) and 16 doubles a vector (1 MB).
inline constexpr double sk_k_max = 40.0;
inline constexpr double sk_shell_width = 0.25;
inline constexpr int sk_vectors_per_shell = 64;
inline constexpr int sk_vectors_in_all = 7500;
inline constexpr double sk_sample_time = 5.0;
inline constexpr int sk_samples_per_block = 4;  // 20 ps
// From g(r): on a grid of 0.25 nm^-1 beside the shells; the routes compared from 2 pi / R on.
inline constexpr double sk_grid_step = 0.25;

// Viscosity: the pressure tensor every 0.02 ps, Green-Kubo to 2 ps, blocks of 20 ps. The shear
// stress's autocorrelation falls from its start over about 0.1 ps and then decays over 0.5 ps, which a
// trapezoid over 0.02 or 0.05 ps follows as well as one over 0.01 ps: on the same trajectories eta
// moves by a hundredth of its error. What coarser frames lose is origins: eta's error (analysis
// README), same to 3 % at 0.02 ps, grows by 5-9 % at 0.05 ps, as if the run were 10-17 % shorter.
// At 0.02 ps every other step skips the virial: 10 % off the default job (0.05 ps: 16 %).
inline constexpr double viscosity_block_time = 20.0;
inline constexpr double viscosity_frame_time = 0.02;

}  // namespace pelzak::analysis::correlations_schedule
