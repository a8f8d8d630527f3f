#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
#   scripts/test.sh [ctest arguments]   e.g. -R CUPS -E '^e2e_'
#   BROODLOG_SANITIZE=1  builds in build-asan with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
BROODLOG_TEST_EXTRAS=1 bash scripts/setup.sh
# The tests are turned on whatever an earlier configure of the folder chose
# (scripts/run.sh, or a hand-made build without them).
dir=build; flags=(-DBROODLOG_TESTS=ON)
if [ "${BROODLOG_SANITIZE:-0}" = 1 ]; then
  dir=build-asan; flags+=(-DBROODLOG_SANITIZE=ON -DBROODLOG_BENCH=OFF)
  # Every test and every program a test starts reports through these,
  # with the system libraries' own lifetime leaks left out.
  export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
# A run that finds no test is a failure, not a pass.
ctest --output-on-failure --no-tests=error -j"$(nproc)" --timeout 300 "$@"
