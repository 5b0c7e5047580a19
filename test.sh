#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds RecMorph and runs every test through CTest.
#   ./test.sh          Debug build in build/
#   ./test.sh --asan   AddressSanitizer with UBSan, in build-asan/
#   ./test.sh --tsan   ThreadSanitizer, in build-tsan/
# Under CI (CI=true) compiler warnings are errors.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

preset=debug
ctest_args=()
case "${1:-}" in
  "") ;;
  --asan) preset=asan ;;
  # Qt itself is not built with ThreadSanitizer, so the tests labelled gui stay out of that run.
  --tsan) preset=tsan; ctest_args=(-LE gui) ;;
  *) echo "usage: $0 [--asan|--tsan]" >&2; exit 2 ;;
esac

recmorph_setup

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

cmake --preset "$preset" -DRECMORPH_WERROR="$werror" >/dev/null
cmake --build --preset "$preset"
# The sanitizers report through the tests' exit codes.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" --output-on-failure "${ctest_args[@]}"
