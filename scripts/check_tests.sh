#!/usr/bin/env bash
# Checks the test suite of a configured and built tree:
#   scripts/check_tests.sh BUILD_DIR
# Fails if any CTest test name occurs twice (ctest would run both under one name, and a label
# meant for one copy lands on both), or if the quick suite, `ctest -LE slow` as the sanitizer
# pass runs it, holds no bit-for-bit kernel comparison.
set -euo pipefail
BUILD="${1:?usage: check_tests.sh BUILD_DIR}"
# Quick tests that compare the fast pair kernels with the reference loops.
KERNEL_TESTS='^PairLoops\.RandomConfigurations.*BitForBit$'

names() { ctest --test-dir "$BUILD" -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p'; }

all="$(names)"
if [ -z "$all" ]; then
  echo "check_tests: no tests registered in $BUILD" >&2
  exit 1
fi
status=0
twice="$(sort <<<"$all" | uniq -d)"
if [ -n "$twice" ]; then
  echo "check_tests: test names registered more than once:" >&2
  sed 's/^/  /' <<<"$twice" >&2
  status=1
fi
quick_kernels="$(names -LE slow | grep -cE "$KERNEL_TESTS" || true)"
if [ "$quick_kernels" -eq 0 ]; then
  echo "check_tests: 'ctest -LE slow' runs no kernel comparison (no test matches $KERNEL_TESTS)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "check_tests: $(wc -l <<<"$all") test names, all unique; $quick_kernels kernel comparisons in the quick suite"
exit $status
