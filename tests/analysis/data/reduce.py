#!/usr/bin/env python3
"""Averages the windows printed by in.dynamics and derives the reference figures.

Usage: reduce.py FIT_START_PS FIT_END_PS dyn_a.txt [dyn_b.txt ...]

Each file is one LAMMPS run; its windows (25 ps, each with its own displacement reference and
velocity origin) are averaged, and every 10 consecutive windows form a block for the
uncertainties (the scatter of the block estimates over all files, divided by sqrt(blocks)).
Prints the figures and writes the averaged curves to reference_msd.csv and reference_vacf.csv.
Standard library only; units: A and ps in, nm and ps out.
"""
import math
import sys

WINDOWS_PER_BLOCK = 10
MSD_EVERY = 10  # steps between msd lines
DT = 0.01       # ps
A2_PER_NM2 = 100.0
E5_CM2_S_PER_A2_PS = 10.0  # 1 A^2/ps = 1e-16 cm^2 / 1e-12 s = 1e-4 cm^2/s


def read(path):
    msd, vacf = {}, {}
    for line in open(path):
        f = line.split()
        if not f or f[0] not in ("M", "V"):
            continue
        w, lag = int(f[1]), int(f[2])
        if f[0] == "M":
            msd[(w, lag)] = (float(f[3]), float(f[4]))  # a window boundary may print twice: same value
        else:
            vacf[(w, lag)] = float(f[3])
    return msd, vacf


def slope(ts, ys):
    tm, ym = sum(ts) / len(ts), sum(ys) / len(ys)
    return sum((t - tm) * (y - ym) for t, y in zip(ts, ys)) / sum((t - tm) ** 2 for t in ts)


def trapezoid(ys, h):
    return h * (sum(ys) - 0.5 * (ys[0] + ys[-1]))


def vertex(xs, ys, i):
    c = ys[i - 1] - 2 * ys[i] + ys[i + 1]
    off = 0.5 * (ys[i - 1] - ys[i + 1]) / c
    return xs[i] + off * (xs[i + 1] - xs[i]), ys[i] - 0.25 * (ys[i - 1] - ys[i + 1]) * off


def wide_vertex(xs, ys, i, w):
    # least-squares parabola a + b u + c u^2 over samples i-w..i+w (u in samples), its vertex
    us = [k - i for k in range(max(1, i - w), min(len(ys) - 1, i + w) + 1)]
    s = [sum(u ** p for u in us) for p in range(5)]
    t = [sum(ys[i + u] * u ** p for u in us) for p in range(3)]

    def det(m):
        return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))
    m = [[s[0], s[1], s[2]], [s[1], s[2], s[3]], [s[2], s[3], s[4]]]
    a, b, c = (det([[t[r] if col == k else m[r][col] for col in range(3)] for r in range(3)]) / det(m) for k in range(3))
    u = -b / (2 * c)
    return xs[i] + u * (xs[1] - xs[0]), a + b * u + c * u * u


def figures(msd_lags, r2, r4, vacf_lags, c, fit):
    t_m = [lag * DT for lag in msd_lags]
    fit_pts = [(t, y) for t, y in zip(t_m, r2) if fit[0] - 1e-9 <= t <= fit[1] + 1e-9]
    d_e = slope([p[0] for p in fit_pts], [p[1] for p in fit_pts]) / 6 * E5_CM2_S_PER_A2_PS
    d_gk = trapezoid(c, DT) / 3 * E5_CM2_S_PER_A2_PS
    return d_e, d_gk


def main():
    fit = (float(sys.argv[1]), float(sys.argv[2]))
    blocks_e, blocks_gk = [], []
    tot_r2, tot_r4, tot_c, nwin = {}, {}, {}, 0
    for path in sys.argv[3:]:
        msd, vacf = read(path)
        windows = sorted({w for w, _ in msd})
        msd_lags = sorted({lag for _, lag in msd})
        vacf_lags = sorted({lag for _, lag in vacf})
        for b in range(len(windows) // WINDOWS_PER_BLOCK):
            ws = windows[b * WINDOWS_PER_BLOCK:(b + 1) * WINDOWS_PER_BLOCK]
            r2 = [sum(msd[(w, l)][0] for w in ws) / len(ws) for l in msd_lags]
            c = [sum(vacf[(w, l)] for w in ws) / len(ws) for l in vacf_lags]
            d_e, d_gk = figures(msd_lags, r2, None, vacf_lags, c, fit)
            blocks_e.append(d_e)
            blocks_gk.append(d_gk)
        for w in windows:
            nwin += 1
            for l in msd_lags:
                tot_r2[l] = tot_r2.get(l, 0.0) + msd[(w, l)][0]
                tot_r4[l] = tot_r4.get(l, 0.0) + msd[(w, l)][1]
            for l in vacf_lags:
                tot_c[l] = tot_c.get(l, 0.0) + vacf[(w, l)]
    msd_lags = sorted(tot_r2)
    vacf_lags = sorted(tot_c)
    r2 = [tot_r2[l] / nwin for l in msd_lags]
    r4 = [tot_r4[l] / nwin for l in msd_lags]
    c = [tot_c[l] / nwin for l in vacf_lags]
    d_e, d_gk = figures(msd_lags, r2, r4, vacf_lags, c, fit)

    def err(xs):
        m = sum(xs) / len(xs)
        return math.sqrt(sum((x - m) ** 2 for x in xs) / (len(xs) - 1) / len(xs))

    t_m = [l * DT for l in msd_lags]
    alpha2 = [0.0] + [3 * a4 / (5 * a2 * a2) - 1 for a2, a4 in zip(r2[1:], r4[1:])]
    t_v = [l * DT for l in vacf_lags]
    psi = [x / c[0] for x in c]
    zero = next(i for i in range(1, len(psi)) if psi[i - 1] > 0 >= psi[i])
    t_zero = t_v[zero - 1] + DT * psi[zero - 1] / (psi[zero - 1] - psi[zero])
    i_min = zero
    while i_min + 1 < len(psi) and psi[i_min + 1] < psi[i_min]:
        i_min += 1
    t_min, psi_min = vertex(t_v, psi, i_min)
    i_a = max(range(1, len(alpha2)), key=lambda i: alpha2[i])
    t_a, a_max = wide_vertex(t_m, alpha2, i_a, 10)  # +-1 ps: alpha2's peak is broad and flat
    nus = [0.01 * j for j in range(801)]
    g = []
    taper = [0.5 * (1 + math.cos(math.pi * k / (len(psi) - 1))) for k in range(len(psi))]  # Hann
    for nu in nus:
        w = 2 * math.pi * nu
        s = sum((0.5 if k in (0, len(psi) - 1) else 1.0) * taper[k] * p * math.cos(w * t)
                for k, (t, p) in enumerate(zip(t_v, psi)))
        g.append(4 * DT * s)
    i_g = max((i for i in range(1, len(g) - 1) if g[i] > g[i - 1] and g[i] >= g[i + 1]), key=lambda i: g[i])
    nu_peak, _ = vertex(nus, g, i_g)

    print(f"files {len(sys.argv) - 3}, windows {nwin}, blocks {len(blocks_e)} of {WINDOWS_PER_BLOCK} windows")
    print(f"D Einstein (fit {fit[0]}-{fit[1]} ps) = {d_e:.3f} +- {err(blocks_e):.3f} e-5 cm^2/s")
    print(f"D Green-Kubo (0-{t_v[-1]:.2f} ps)       = {d_gk:.3f} +- {err(blocks_gk):.3f} e-5 cm^2/s")
    print(f"<v^2> = {c[0] / A2_PER_NM2:.6f} nm^2/ps^2")
    print(f"VACF first zero {t_zero:.4f} ps, minimum {psi_min:.4f} at {t_min:.4f} ps")
    print(f"alpha2 peak {a_max:.4f} at {t_a:.3f} ps")
    print(f"spectrum G(0) = {g[0]:.4f} /THz, main peak {g[i_g]:.4f} /THz at {nu_peak:.3f} THz")
    with open("reference_msd.csv", "w") as f:
        f.write("t_ps,msd_nm2,alpha2\n")
        for t, y, a in zip(t_m, r2, alpha2):
            f.write(f"{t:.2f},{y / A2_PER_NM2:.8g},{a:.6f}\n")
    with open("reference_vacf.csv", "w") as f:
        f.write("t_ps,vacf\n")
        for t, p in zip(t_v, psi):
            f.write(f"{t:.2f},{p:.6f}\n")


main()
