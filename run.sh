#!/usr/bin/env bash
# Builds the toolkit and runs the main job in ./run: the generator writes the start
# "ar_simulation.dat", then the simulation driver turns it into the g(r) of liquid argon.
source "$(dirname "$0")/scripts/common.sh"
ensure_packages "${BUILD_PACKAGES[@]}"
build "$ROOT/build"
mkdir -p "$ROOT/run"
cd "$ROOT/run"
"$ROOT/build/generator/pelzak_initial"
if [ -x "$ROOT/build/driver/pelzak_md" ]; then "$ROOT/build/driver/pelzak_md" "$@"; fi
echo "Results in $ROOT/run:"
ls -l "$ROOT/run"
