#!/usr/bin/env bash
# Builds the two programs of the main job and runs it in ./run: the generator writes the start
# "ar_simulation.dat", then the simulation driver turns it into the g(r) of liquid argon.
# Options go to the driver (./run.sh --help). Tests, benchmarks and fuzzers are ./test.sh's.
source "$(dirname "$0")/scripts/common.sh"
ensure_packages "${RUN_PACKAGES[@]}"
echo "Building pelzak_initial and pelzak_md in build-run/ ..."
quietly cmake -S "$ROOT" -B "$ROOT/build-run" -DCMAKE_BUILD_TYPE=Release \
  -DPELZAK_BUILD_TESTS=OFF -DPELZAK_BUILD_BENCH=OFF
quietly cmake --build "$ROOT/build-run" -j "$JOBS" --target pelzak_initial pelzak_md
mkdir -p "$ROOT/run"
cd "$ROOT/run"
"$ROOT/build-run/generator/pelzak_initial"
"$ROOT/build-run/driver/pelzak_md" "$@"
