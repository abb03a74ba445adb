#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small and readable: valid records and files, every numeric form the reader
accepts, and the edge lines (short, long, CR LF, blank, binary, out of range). Run it again after
changing it; libFuzzer grows its own corpus from these in the build directory, never here.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BOX = 3.47786


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def record(i, x, y, z, vx, vy, vz):
    return "%5d%5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f" % (i, "Ar", "Ar", i, x, y, z, vx, vy, vz)


def sample(i):
    pos = [math.fmod(i * 0.0137 + k * 0.511, 1.73893) for k in (1, 2, 3)]
    vel = [math.fmod(i * 0.00731 + k * 0.13, 0.28) - 0.14 for k in (1, 2, 3)]
    return record(i, *pos, *vel)


def config(lines=864, end="\n", header=" Test\n                  864 Argon\n"):
    return header + "".join(sample(i) + end for i in range(1, lines + 1))


# --- one record -----------------------------------------------------------------------------
RECORD_FIELDS = {
    "valid": sample(1),
    "negative_zero": record(2, 0.0, 0.0, 0.0, -0.0, -0.0, -0.0),
    "implied_decimals": "    3   Ar   Ar    3    1234      12   -1234   56789       0      -1",
    "explicit_points": "    4   Ar   Ar    4      5.     -.5   +12.5  0.1234 -1.7389    -0.",
    "exponents": "    5   Ar   Ar    5   1.5E2   1.5e2  1.5D-1  1.5d+1  -2.E 3    12E1",
    "blanks_inside": "    6   Ar   Ar    6 1 2.3 4- 1. 5        0 0 . 0 1 - 0.0 0 1   1 E 1",
    "all_blank": "    7   Ar   Ar    7" + " " * 48,
    "cut_after_44": sample(8)[:44],
    "cr_at_end": sample(9) + "\r",
    "long_line": sample(10) + "x" * 200,
    "subnormal": record(11, 0, 0, 0, 0, 0, 0)[:44] + "4.9E-324" + "2.5E-308" + " 1.E-999",
    "out_of_range": sample(12)[:60] + "1.0E9999",
    "huge": "   13   Ar   Ar   13 1.0E300-1.0E300 1.7E308  1.D307 -1.D307  9.9E99",
    "bad_value": sample(14)[:28] + "   12a.4" + sample(14)[36:],
    "nul_in_field": sample(15)[:28] + "  1\0002.00" + sample(15)[36:],
    "binary_names": "   16\xff\xfe\x00\x01\x02\x80\x90\xa0\xb0\xc0" + sample(16)[15:],
    "bad_index": "  5.0" + sample(17)[5:],
    "signed_index": "  -17   Ar   Ar  +17" + sample(17)[20:],
    "tab": sample(18)[:20] + "\t  1.000" + sample(18)[28:],
    "lone_signs": "    9   Ar   Ar    9       +       -       .      -.      1e     1e+",
}
for name, line in RECORD_FIELDS.items():
    write("pelzak_fuzz_record", name, line)

# --- whole files ----------------------------------------------------------------------------
# Two realistic files; the others are built from blank lines (a blank record reads as zeros), so
# they stay a few kilobytes.
HEADER = " Test\n                  864 Argon\n"
write("pelzak_fuzz_reader", "valid", config())
write("pelzak_fuzz_reader", "crlf", config(end="\r\n", header=" Test\r\n                  864 Argon\r\n"))
write("pelzak_fuzz_reader", "blank_records", "\n" * 866)
write("pelzak_fuzz_reader", "no_final_line_feed", "\n" * 865 + sample(864))
write("pelzak_fuzz_reader", "extra_lines", "\n" * 866 + "  this line is never read\n\0\0\0 nor this")
write("pelzak_fuzz_reader", "garbage_header", "\xff\0garbage\n\n" + "\n" * 863 + sample(864) + "\n")
write("pelzak_fuzz_reader", "empty", "")
write("pelzak_fuzz_reader", "header_only", HEADER)
write("pelzak_fuzz_reader", "short_865_lines", HEADER + "\n" * 863)
write("pelzak_fuzz_reader", "bad_value_line_7", HEADER + "\n" * 4 + sample(5)[:28] + "   12a.4\n")
write("pelzak_fuzz_reader", "mixed_records", HEADER + "".join(
    line + "\n" for line in RECORD_FIELDS.values() if "\n" not in line))

# --- write then read one field --------------------------------------------------------------
ROUND_TRIP = {
    "zero": 0.0, "negative_zero": -0.0, "tie_below": 1.0005, "binary_tie": 0.0625,
    "negative_binary_tie": -0.0625, "half_box": 1.73893, "top_velocity": 0.14017,
    "rounds_to_negative_zero": -0.00004, "widest_fit": 9999.9994, "too_wide": 9999.9996,
    "most_negative_fit": -999.9994, "huge": 1e300, "infinity": math.inf,
    "minus_infinity": -math.inf, "nan": math.nan, "subnormal": 5e-324, "tiny": 1e-310,
}
for name, value in ROUND_TRIP.items():
    for decimals in (3, 4):
        write("pelzak_fuzz_round_trip", "%s_%d" % (name, decimals), struct.pack("<dB", value, decimals))

# --- coordinates through the pair loops and the step ----------------------------------------
def coords(*pairs):
    return b"".join(struct.pack("<Hd", n, v) for n, v in pairs)

X, Y, Z = 0, 864, 1728
ROUTINES = {
    "huge": coords((X + 0, 1e300), (Y + 1, -1e300), (Z + 2, 1.7976931348623157e308)),
    "infinite": coords((X + 3, math.inf), (Y + 3, -math.inf)),
    "nan": coords((X + 4, math.nan), (Z + 5, math.nan)),
    "subnormal": coords((X + 6, 5e-324), (Y + 6, -5e-324), (Z + 6, 2.2250738585072014e-308)),
    "negative_zero": coords((X + 0, -0.0), (Y + 0, -0.0), (Z + 0, -0.0)),
    "coincident": coords((X + 1, 0.0), (Y + 1, 0.0), (Z + 1, 0.0)),
    "half_box_tie": coords((X + 1, BOX / 2), (Y + 1, 0.0), (Z + 1, 0.0)),
    "box_image": coords((X + 1, BOX), (Y + 1, 0.0), (Z + 1, -BOX)),
    "far_images": coords((X + 7, 1e15 * BOX), (Y + 8, -1e17), (Z + 9, 2.0 ** 60)),
    "at_cutoff": coords((X + 1, math.sqrt(0.585225)), (Y + 1, 0.0), (Z + 1, 0.0)),
}
for name, data in ROUTINES.items():
    write("pelzak_fuzz_routines", name, data)

# --- trajectories ---------------------------------------------------------------------------
LATTICE = 'Lattice="34.778600000000004 0 0 0 34.778600000000004 0 0 0 34.778600000000004"'
PROPERTIES = "Properties=species:S:1:pos:R:3:vel:R:3:image:I:3"


def xyz_frame(atoms, step, phase="production", end="\n", extra=""):
    comment = '%s %s pbc="T T T" Time=%.2f Step=%d time_ps=%.2f phase=%s step=%d%s' % (
        LATTICE, PROPERTIES, step * 0.01, step, step * 0.01, phase, step, extra)
    lines = [str(atoms), comment]
    for i in range(atoms):
        pos = [math.fmod(i * 1.37 + k * 5.11 + step * 0.01, 34.7786) for k in (1, 2, 3)]
        vel = [math.fmod(i * 0.731 + k * 1.3, 2.8) - 1.4 for k in (1, 2, 3)]
        img = [(i + k) % 3 - 1 for k in (1, 2, 3)]
        lines.append("Ar %.5f %.5f %.5f %.5f %.5f %.5f %d %d %d" % (*pos, *vel, *img))
    return end.join(lines) + end


TRAJECTORIES = {
    "one_frame": xyz_frame(8, 0, "start"),
    "three_frames": xyz_frame(4, 200, "equilibration") + xyz_frame(4, 201) + xyz_frame(4, 202),
    "crlf": xyz_frame(3, 5, end="\r\n"),
    "other_keys": xyz_frame(2, 7, extra=' note="a b" flag=T'),
    "no_phase": "1\n%s %s pbc=\"T T T\" Time=0 Step=0\nAr 1 2 3 4 5 6 0 0 0\n" % (LATTICE, PROPERTIES),
    "truncated": xyz_frame(6, 1)[:-40],
    "no_final_line_feed": xyz_frame(2, 3)[:-1],
    "count_changes": xyz_frame(2, 1) + xyz_frame(3, 2),
    "extremes": "1\n%s %s pbc=\"T T T\" Time=-1e300 Step=9223372036854775807\n"
                "Ar 1e300 -1e-300 0 -0 4.9e-324 1.7976931348623157e308 9007199254740992 -9007199254740992 0\n"
                % (LATTICE, PROPERTIES),
    "bad_values": "1\n%s %s pbc=\"T T T\" Time=nan Step=-1\nAr nan inf -inf +1 0x1 1e999 0.5 a 1\n"
                  % (LATTICE, PROPERTIES),
    "quotes": '1\nLattice="5 0 0 0 5 0 0 0 5 %s pbc="T T T"x Time="1" Step=""\n' % PROPERTIES,
    "duplicate_key": "1\nTime=1 Time=1 =x y= \"\n",
    "binary": "2\n\0\xff" + PROPERTIES + "\x80\n\x00\x01\n",
    "empty": "",
}
for name, text in TRAJECTORIES.items():
    write("pelzak_fuzz_trajectory", name, text)
