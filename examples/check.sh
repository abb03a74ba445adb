#!/usr/bin/env bash
# Proves that the library works as a package other programs build on, with the very commands the READMEs
# give: the shell blocks marked "<!-- ci: NAME -->" (a block shown in several READMEs must read the same
# in all of them). HOME points into the scratch folder, so "$HOME/..." in the READMEs lands there.
#   1. A clean copy of the project is built and installed into $HOME/pelzak (block "install").
#   2. The installed tree holds exactly the expected files, none of which names a build or install
#      folder; installing again with DESTDIR into another prefix gives the same bytes, and it is that
#      copy, moved to $HOME/pelzak, that the examples are built against.
#   3. pelzak_md --version, pkg-config --modversion and the CMake package agree on the version.
#   4. Every example is copied out of the source tree, built (CMake find_package; pkg-config for C and
#      Fortran; add_subdirectory of the sources) and run on a start written by pelzak_initial. Its g(r)
#      must match the reference as the driver's full-job test demands, and equal pelzak_md's byte for
#      byte (the examples run the driver's scheme with the same operations in the same order).
#   5. Started with two atoms at the same place, every example reports the blow-up on stderr, exits
#      with status 3 and leaves no rdf_argon.dat (an earlier one included).
#   6. The add_subdirectory build has not even looked for GoogleTest or Google Benchmark.
#   7. The installed pelzak_lammps takes the liquid through LAMMPS and back (block "lammps", when lmp
#      and mpirun are installed): every file of the run and of its analysis is there.
#
# usage: examples/check.sh WORK_DIR RDF_CHECK REFERENCE      (ctest -R install_examples runs it)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ $# -ne 3 ]; then
  echo "usage: $0 WORK_DIR RDF_CHECK REFERENCE" >&2
  exit 2
fi
WORK="$1"
RDF_CHECK="$2"
REFERENCE="$3"
rm -rf "$WORK"
mkdir -p "$WORK"
WORK="$(cd "$WORK" && pwd)"
SRC="$WORK/src"
BLOCKS="$WORK/blocks"
export HOME="$WORK/home"
mkdir -p "$SRC" "$BLOCKS" "$HOME"
unset PKG_CONFIG_PATH CMAKE_PREFIX_PATH DESTDIR
started=$SECONDS

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

command -v pkg-config >/dev/null || fail "pkg-config is needed (Debian package pkg-config)"
fortran=0
command -v gfortran >/dev/null && fortran=1

# The marked blocks of every README, one file each.
for readme in "$ROOT/README.md" "$ROOT/auxiliary/README.md" "$ROOT/examples/README.md" \
  "$ROOT"/examples/*/README.md "$ROOT/lammps/README.md" "$ROOT/driver/README.md"; do
  awk -v out="$BLOCKS" -v src="$readme" '
    /^<!-- ci: [a-z-]+ -->$/ { name = $3; want = 1; next }
    want == 1 {
      if ($0 != "```sh") { print src ": the block marked " name " is not a ```sh block" > "/dev/stderr"; bad = 1; exit 1 }
      file = out "/" name ".new"; printf "" > file; want = 2; next
    }
    want == 2 && $0 == "```" { close(file); print name; want = 0; next }
    want == 2 { print > file }
    END { if (want && !bad) { print src ": the block marked " name " is not closed" > "/dev/stderr"; exit 1 } }
  ' "$readme" | while read -r name; do
    if [ -e "$BLOCKS/$name.sh" ]; then
      cmp -s "$BLOCKS/$name.sh" "$BLOCKS/$name.new" ||
        fail "the block \"$name\" in $readme differs from the same block in another README"
      rm "$BLOCKS/$name.new"
    else
      mv "$BLOCKS/$name.new" "$BLOCKS/$name.sh"
    fi
  done
done

# Every shell block of every README is run here (marked "<!-- ci: NAME -->") or says, in a mark of its
# own, what runs it or why nothing can ("<!-- not run here: REASON -->"): a README command that breaks
# cannot go unnoticed by default.
unmarked="$(cd "$ROOT" && git ls-files -- '*README.md' 2>/dev/null | while read -r readme; do
  awk -v src="$readme" '/^```sh$/ && prev !~ /^<!-- (ci: [a-z-]+|not run here: .+) -->$/ { print src ":" NR }
    { prev = $0 }' "$readme"
done)"
[ -z "$unmarked" ] || fail "README shell blocks neither run here nor marked with why not: $unmarked"

# run_block NAME: runs a README block from the root of the project copy, as a user would type it.
run_block() {
  local name="$1"
  [ -f "$BLOCKS/$name.sh" ] || fail "no README holds the block \"$name\""
  echo "== $name"
  sed 's/^/   $ /' "$BLOCKS/$name.sh"
  if ! (cd "$SRC" && bash -e -o pipefail "$BLOCKS/$name.sh") >"$WORK/$name.log" 2>&1; then
    cat "$WORK/$name.log" >&2
    fail "the commands of \"$name\" failed"
  fi
}

# A clean copy of the project: what git tracks and what it does not ignore, without any build.
if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$SRC" -xf -
else
  tar -C "$ROOT" --exclude='./build*' --exclude=./run -cf - . | tar -C "$SRC" -xf -
fi

# 1, 2: install, the file list, no absolute paths, DESTDIR, relocation.
run_block install
prefix="$HOME/pelzak"
[ -d "$SRC/build-install" ] || fail "the block \"install\" is expected to build in build-install"
expected="bin/pelzak_initial
bin/pelzak_lammps
bin/pelzak_md
include/pelzak/auxiliary.f90
include/pelzak/pelzak_model.f90
include/pelzak_aux.h
include/pelzak_model.h
lib/cmake/pelzak/pelzakConfig.cmake
lib/cmake/pelzak/pelzakConfigVersion.cmake
lib/cmake/pelzak/pelzakTargets-release.cmake
lib/cmake/pelzak/pelzakTargets.cmake
lib/libpelzak_aux.a
lib/pkgconfig/pelzak_aux.pc"
if [ $fortran -eq 1 ]; then
  mod_dir="include/pelzak/GNU-$(gfortran -dumpfullversion)"
  expected="$expected
$mod_dir/auxiliary.mod
$mod_dir/pelzak_model.mod"
fi
installed="$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)"
expected="$(LC_ALL=C sort <<<"$expected")"
if [ "$installed" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$installed") >&2 || true
  fail "the installed files are not the expected ones (< expected, > installed)"
fi
echo "installed $(wc -l <<<"$installed") files:"
sed 's/^/   /' <<<"$installed"
if hits="$(grep -rlF -e "$WORK" -e "$ROOT" "$prefix")"; then
  fail "installed files name a build or install folder: $hits"
fi

DESTDIR="$WORK/stage" cmake --install "$SRC/build-install" --prefix /opt/pelzak-staged >"$WORK/destdir.log"
staged="$WORK/stage/opt/pelzak-staged"
[ -d "$staged" ] || fail "DESTDIR was not honoured: nothing in $staged"
diff -r "$prefix" "$staged" >&2 || fail "installing into another prefix gave other files"
if hits="$(grep -rlF /opt/pelzak-staged "$staged")"; then
  fail "installed files name their prefix: $hits"
fi
mv "$prefix" "$WORK/first-install"
mv "$staged" "$prefix"
echo "installed again with DESTDIR into /opt/pelzak-staged: the same bytes; that copy, moved to \$HOME/pelzak, is used from here on"

# 3: one version everywhere.
project_version="$(sed -n 's/^project(pelzak VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")"
md_version="$("$prefix/bin/pelzak_md" --version)"
pc_version="$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion pelzak_aux)"
printf 'include("%s")\nmessage("${PACKAGE_VERSION}")\n' "$prefix/lib/cmake/pelzak/pelzakConfigVersion.cmake" \
  >"$WORK/version.cmake"
cmake_version="$(cmake -P "$WORK/version.cmake" 2>&1)"
echo "versions: project $project_version, $md_version, pkg-config $pc_version, CMake package $cmake_version"
[ -n "$project_version" ] && [ "$md_version" = "pelzak_md $project_version" ] &&
  [ "$pc_version" = "$project_version" ] && [ "$cmake_version" = "$project_version" ] ||
  fail "the versions disagree"

# The main job with the installed programs: the liquid's g(r) (the engine sums in its own order, so
# not the examples' bytes), and its start with atom 2 moved onto atom 1 (columns 21-44 hold the
# position), which must blow up at once.
mkdir -p "$WORK/pelzak_md"
(cd "$WORK/pelzak_md" && "$prefix/bin/pelzak_initial" && "$prefix/bin/pelzak_md" --quiet >/dev/null)
"$RDF_CHECK" "$WORK/pelzak_md/rdf_argon.dat" "$REFERENCE" || fail "pelzak_md: g(r) is not that of the liquid"
awk 'NR == 3 { first = substr($0, 21, 24) } NR == 4 { $0 = substr($0, 1, 20) first substr($0, 45) } { print }' \
  "$WORK/pelzak_md/ar_simulation.dat" >"$WORK/coincident.dat"

# 4, 5: check_example BLOCK PROGRAM RUN_DIR: the block leaves g(r) in RUN_DIR; PROGRAM is what it built.
check_example() {
  local name="$1" program="$2" run_dir="$3"
  run_block "$name"
  tail -n 1 "$WORK/$name.log"
  "$RDF_CHECK" "$run_dir/rdf_argon.dat" "$REFERENCE" || fail "$name: g(r) is not that of the liquid"
  # Every example runs the library's routines in the same order: the same bytes, whatever language.
  if [ -f "$WORK/library_rdf_argon.dat" ]; then
    cmp "$run_dir/rdf_argon.dat" "$WORK/library_rdf_argon.dat" || fail "$name: g(r) differs from the first example's"
  else
    cp "$run_dir/rdf_argon.dat" "$WORK/library_rdf_argon.dat"
  fi
  local dir="$WORK/blow-up-$name" status=0
  mkdir -p "$dir"
  cp "$WORK/coincident.dat" "$dir/ar_simulation.dat"
  echo "an earlier result" >"$dir/rdf_argon.dat"
  (cd "$dir" && "$program" >stdout 2>stderr) || status=$?
  [ $status -eq 3 ] || fail "$name: a run that blew up exited with status $status, not 3"
  grep -q "blew up" "$dir/stderr" || fail "$name: a run that blew up did not say so: $(cat "$dir/stderr")"
  [ ! -e "$dir/rdf_argon.dat" ] || fail "$name: a run that blew up left an rdf_argon.dat"
  echo "blow-up: status 3, $(cat "$dir/stderr")"
}

# find_package must have found the moved tree, not anything else.
found_moved_tree() {
  grep -qxF "pelzak_DIR:PATH=$prefix/lib/cmake/pelzak" "$1/CMakeCache.txt" ||
    fail "$1 did not use the package in $prefix"
}

check_example c-cmake "$HOME/md-c/build/md_c" "$HOME/md-c/run"
found_moved_tree "$HOME/md-c/build"
check_example c-pkg-config "$HOME/md-c-pc/a.out" "$HOME/md-c-pc/run"
check_example cpp-cmake "$HOME/md-cpp/build/md_cpp" "$HOME/md-cpp/run"
found_moved_tree "$HOME/md-cpp/build"
if [ $fortran -eq 1 ]; then
  check_example fortran-cmake "$HOME/md-fortran/build/md_fortran" "$HOME/md-fortran/run"
  found_moved_tree "$HOME/md-fortran/build"
  check_example fortran-pkg-config "$HOME/md-fortran-pc/a.out" "$HOME/md-fortran-pc/run"
else
  echo "== fortran-cmake, fortran-pkg-config: SKIPPED (no gfortran)"
fi

# 6: add_subdirectory, without our tests and benchmarks.
check_example subdirectory "$HOME/md-sub/build/md_c" "$HOME/md-sub/run"
cache="$HOME/md-sub/build/CMakeCache.txt"
grep -qx "PELZAK_BUILD_TESTS:BOOL=OFF" "$cache" && grep -qx "PELZAK_BUILD_BENCH:BOOL=OFF" "$cache" ||
  fail "add_subdirectory left tests or benchmarks on"
if hits="$(grep -E '^(GTest_DIR|GTEST_[A-Z_]*|benchmark_DIR)[:=]' "$cache")"; then
  fail "add_subdirectory looked for GoogleTest or Google Benchmark: $hits"
fi

# The driver's own first steps, with the installed programs.
run_block driver-run
grep -q "^viscosity: " "$WORK/driver-run.log" || fail "driver-run: no summary"
[ -s "$HOME/argon/rdf_argon.dat" ] || fail "driver-run: the block left no rdf_argon.dat"

# 7: the LAMMPS road with the installed programs.
if command -v lmp >/dev/null && command -v mpirun >/dev/null; then
  run_block lammps
  tail -n 1 "$WORK/lammps.log"
  for file in in.argon argon.data traj_argon.lammpstrj log.lammps rdf_argon.dat rdf_argon.svg vacf_argon.csv \
    spectrum_argon.csv dynamics_argon.svg; do
    [ -s "$HOME/lammps-run/big/$file" ] || fail "lammps: the block left no big/$file"
  done
  grep -q "^dump: 6912 atoms" "$WORK/lammps.log" || fail "lammps: the analysis did not read 6,912 atoms"
else
  echo "== lammps: SKIPPED (no lmp or mpirun; Debian packages lammps and openmpi-bin)"
fi

echo "All install and example checks passed in $((SECONDS - started)) s."
