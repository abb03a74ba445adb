#!/usr/bin/env bash
# Builds the toolkit and runs every test: the normal build (with the C and Fortran link checks and
# the full simulation job), the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded run of each fuzz target.
source "$(dirname "$0")/scripts/common.sh"
ensure_packages "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${PYTHON_PACKAGES[@]}" "${PYTHON_TEST_PACKAGES[@]}" gfortran locales clang libclang-rt-14-dev clang-format

# A locale whose decimal point is a comma, built privately, so that the tests proving our number
# parsing and formatting ignore the locale run on every machine.
mkdir -p "$ROOT/build/locales"
if localedef -i de_DE -f UTF-8 "$ROOT/build/locales/de_DE.UTF-8" >/dev/null 2>&1; then
  export LOCPATH="$ROOT/build/locales"
fi

status=0
echo "== Formatting (clang-format) =="
"$ROOT/scripts/format.sh" --check || status=1

echo "== Build and test =="
build "$ROOT/build"
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS") || status=1

echo "== Again under AddressSanitizer and UndefinedBehaviorSanitizer =="
build "$ROOT/build-sanitize" -DPELZAK_SANITIZE=ON -DPELZAK_BUILD_BENCH=OFF
(cd "$ROOT/build-sanitize" && ctest --output-on-failure -j "$JOBS" -LE slow) || status=1

echo "== Python module: install for the user (into a temporary folder) =="
python_target="$(mktemp -d)"
PELZAK_PYTHON_BUILD_DIR="$ROOT/build" "$ROOT/python/install.sh" --target "$python_target" || status=1
rm -rf "$python_target"

# A bounded look on every run keeps CI short; fuzz/run.sh alone fuzzes 60 s per target by default.
if [ -x "$ROOT/fuzz/run.sh" ]; then
  export PELZAK_FUZZ_SECONDS="${PELZAK_FUZZ_SECONDS:-30}"
  echo "== Fuzzing ($PELZAK_FUZZ_SECONDS s per target) =="
  "$ROOT/fuzz/run.sh" || status=1
fi

[ $status -eq 0 ] && echo "All test stages passed." || echo "Some test stage FAILED (see above)."
exit $status
