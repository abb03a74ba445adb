#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# and runs each for a bounded time. Fails if any target finds a crash, a sanitizer report, a
# timeout or a broken property.
#
#   fuzz/run.sh                      every target, 60 s each
#   fuzz/run.sh pelzak_fuzz_reader   just the ones named
#   PELZAK_FUZZ_SECONDS=600 fuzz/run.sh
#
# Needs clang and its libFuzzer runtime (Debian: clang, libclang-rt-14-dev). The build goes to
# build-fuzz/ (or $PELZAK_FUZZ_BUILD); the corpus libFuzzer grows, and any crashing input, stay
# there. The seeds in fuzz/corpus/ are only read.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${PELZAK_FUZZ_BUILD:-$ROOT/build-fuzz}"
SECONDS_EACH="${PELZAK_FUZZ_SECONDS:-60}"
JOBS="${JOBS:-2}"
CC_FUZZ="${CC_FUZZ:-clang}"
CXX_FUZZ="${CXX_FUZZ:-clang++}"
ALL_TARGETS=(pelzak_fuzz_record pelzak_fuzz_reader pelzak_fuzz_round_trip pelzak_fuzz_routines pelzak_fuzz_trajectory)
TARGETS=("${@:-${ALL_TARGETS[@]}}")

if ! command -v "$CXX_FUZZ" >/dev/null; then
  echo "fuzz/run.sh: $CXX_FUZZ not found; install clang and libclang-rt-14-dev (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$CC_FUZZ" -DCMAKE_CXX_COMPILER="$CXX_FUZZ" \
  -DPELZAK_BUILD_FUZZ=ON -DPELZAK_BUILD_TESTS=OFF -DPELZAK_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target "${TARGETS[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for target in "${TARGETS[@]}"; do
  corpus="$BUILD/fuzz/corpus/$target"
  artifacts="$BUILD/fuzz/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $target: $SECONDS_EACH s =="
  if "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$artifacts" \
       "$corpus" "$ROOT/fuzz/corpus/$target" >"$BUILD/fuzz/$target.log" 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|Done [0-9]+ runs" "$BUILD/fuzz/$target.log" || true
  else
    status=1
    echo "$target FAILED; the log's end (whole log: $BUILD/fuzz/$target.log):" >&2
    tail -n 40 "$BUILD/fuzz/$target.log" >&2
    ls "$artifacts" >&2
  fi
done
exit $status
