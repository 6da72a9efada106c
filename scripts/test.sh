#!/usr/bin/env bash
# Sets everything up, builds, and runs every test:
#   1. the core and simulated machine tests and (as root, where loop devices
#      exist) the real-device tests, in build/; extra arguments go to ctest;
#   2. (as root) the Debian package made from build/, installed, checked and
#      removed again (scripts/check-package.sh);
#   3. the core tests again, built with AddressSanitizer and
#      UndefinedBehaviorSanitizer (gcc), in build-asan/;
#   4. the core tests again, as a Debug build (-O0, nothing inlined) whose
#      block codec is zlib instead of libdeflate, in build-debug/;
#   5. the core tests again, built as one optimised whole program (gcc's
#      link-time optimisation) in which a one-definition-rule violation fails
#      the link (DRIVECOPY_ODR_CHECK), in build-lto/;
#   6. a short fuzzing run of the image readers (clang), in build-fuzz/,
#      FUZZ_SECONDS per target (default 25);
#   7. the Windows build (mingw-w64) of drivecopy.exe, the core tests and the
#      Windows backend's tests, in build-windows/, run under wine in a wine
#      prefix of their own that is removed afterwards.
# Steps 3 to 5 build drivecopy_tests and the drivecopy binary it runs, without
# the desktop, and run the suite as one process.
# CHECKED_BUILDS=0 runs steps 1 and 2 only; WINDOWS_BUILD=0 leaves out step 7. Every step runs even when an
# earlier one failed; the exit status is 1 when any failed.
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

# checked_core_tests DIR CMAKE_OPTION...: configures DIR with the options,
# builds the core tests and runs them as one process (the real-device tests
# are not built here).
checked_core_tests() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DDRIVECOPY_DESKTOP=OFF "$@" >/dev/null &&
    cmake --build "$dir" --target drivecopy drivecopy_tests -- -j2 >"$dir/build.log" 2>&1 ||
    { cat "$dir/build.log" 2>/dev/null; return 1; }
  (cd "$dir/tests" && ./drivecopy_tests --gtest_brief=1)
}

# Unoptimised, every inline function stays one out-of-line copy that the
# linker picks for the whole program, so two different definitions under one
# name show here, where the optimised builds may inline them away.
# It also takes the other block codec (zlib, for platforms without
# libdeflate), so both codec builds pass the same tests.
run_debug_tests() { checked_core_tests build-debug -DCMAKE_BUILD_TYPE=Debug -DDRIVECOPY_BLOCK_CODEC=zlib; }

# The binary as it ships, optimised across all files; the link compares every
# type the files share and fails on two different ones under one name.
run_odr_checked_tests() {
  checked_core_tests build-lto -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRIVECOPY_ODR_CHECK=ON
}

# The Windows build runs under wine: one ctest entry per test program, each
# program run once (a process start costs wine a second or so).
run_windows_tests() {
  mkdir -p build-windows
  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null &&
    cmake --build build-windows --target drivecopy drivecopy_tests drivecopy_windows_tests -- -j2 \
      >build-windows/build.log 2>&1 ||
    { cat build-windows/build.log 2>/dev/null; return 1; }
  local prefix status=0
  prefix=$(mktemp -d /tmp/drivecopy-wine.XXXXXX)
  export WINEPREFIX=$prefix WINEDEBUG=-all
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  (cd build-windows && ctest --output-on-failure --timeout 900) || status=$?
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  unset WINEPREFIX WINEDEBUG
  return $status
}

step "tests" run_tests "$@"
step "package" scripts/check-package.sh
if [ "${CHECKED_BUILDS:-1}" != 0 ]; then
  step "sanitized core tests" run_sanitized_tests
  step "debug core tests, zlib block codec" run_debug_tests
  step "whole-program core tests (ODR checked)" run_odr_checked_tests
  step "fuzzing" fuzz/run.sh "${FUZZ_SECONDS:-25}"
fi
if [ "${WINDOWS_BUILD:-1}" != 0 ]; then
  step "Windows build under wine" run_windows_tests
fi

if ((${#failed[@]})); then
  echo "test: failed: ${failed[*]}"
  exit 1
fi
echo "test: all passed"
