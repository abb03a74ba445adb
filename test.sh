#!/usr/bin/env bash
# Builds the toolkit and runs every test: the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "$0")/scripts/common.sh"
ensure_packages "${BUILD_PACKAGES[@]}" gfortran
status=0
build "$ROOT/build"
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS") || status=1
echo "== Again under AddressSanitizer and UndefinedBehaviorSanitizer =="
build "$ROOT/build-sanitize" -DPELZAK_SANITIZE=ON -DPELZAK_BUILD_BENCH=OFF
(cd "$ROOT/build-sanitize" && ctest --output-on-failure -j "$JOBS" -LE slow) || status=1
exit $status
