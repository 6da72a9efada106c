#!/usr/bin/env bash
# Sets everything up, builds, and runs every test:
#   1. the core and simulated machine tests and (as root, where loop devices
#      exist) the real-device tests, in build/; extra arguments go to ctest;
#   2. the core tests again, built with AddressSanitizer and
#      UndefinedBehaviorSanitizer (gcc), in build-asan/;
#   3. a short fuzzing run of the image readers (clang), in build-fuzz/,
#      FUZZ_SECONDS per target (default 25).
# CHECKED_BUILDS=0 runs step 1 only. Every step runs even when an earlier one
# failed; the exit status is 1 when any failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

failed=()
step() {  # step NAME COMMAND...: runs the command and records a failure
  local name=$1
  shift
  echo "== $name"
  local started=$SECONDS
  if "$@"; then
    echo "== $name: passed ($((SECONDS - started)) s)"
  else
    echo "== $name: FAILED ($((SECONDS - started)) s)"
    failed+=("$name")
  fi
}

run_tests() { (cd build && ctest --output-on-failure --timeout 600 "$@"); }

run_sanitized_tests() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRIVECOPY_SANITIZE=ON -DDRIVECOPY_DESKTOP=OFF >/dev/null &&
    cmake --build build-asan --target drivecopy_tests -- -j2 >build-asan/build.log 2>&1 ||
    { cat build-asan/build.log 2>/dev/null; return 1; }
  # One process for the whole suite (the real-device tests are not built here).
  (cd build-asan/tests &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
      ./drivecopy_tests --gtest_brief=1)
}

step "tests" run_tests "$@"
if [ "${CHECKED_BUILDS:-1}" != 0 ]; then
  step "sanitized core tests" run_sanitized_tests
  step "fuzzing" fuzz/run.sh "${FUZZ_SECONDS:-25}"
fi

if ((${#failed[@]})); then
  echo "test: failed: ${failed[*]}"
  exit 1
fi
echo "test: all passed"
