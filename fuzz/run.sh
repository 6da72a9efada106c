#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ (the gcc build is not
# touched) and runs each one for SECONDS (default 25) from the seed corpus
# plus everything earlier runs kept. Prints "fuzz: N passed, M failed"; a
# failing target leaves its input under build-fuzz/fuzz-crashes/ and shows
# the end of its log. Inputs in fuzz/regressions/ (images or first sectors)
# are run as well, every time. Exit status 1 when any target failed.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
shift || true
build=build-fuzz
targets=("$@")
((${#targets[@]})) || targets=(recognise_image_sector parse_header image_reader verify_image)

if [ ! -f "$build/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DDRIVECOPY_FUZZ=ON -DDRIVECOPY_DESKTOP=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
buildlog=$(mktemp)
trap 'rm -f "$buildlog"' EXIT
ninja -C "$build" -j2 fuzzers >"$buildlog" 2>&1 || { cat "$buildlog"; exit 1; }

seeds=$build/fuzz-seeds
rm -rf "$seeds"
"$build/fuzz/fuzz_make_seed_corpus" "$seeds"
mkdir -p "$build/fuzz-crashes" "$build/fuzz-logs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
passed=0
failed=0
for target in "${targets[@]}"; do
  case $target in
    recognise_image_sector | parse_header) kind=sectors ;;
    *) kind=images ;;
  esac
  # Inputs that once broke a reader stay in fuzz/regressions/ and run every time.
  inputs=("$seeds/$kind")
  [ -n "$(ls -A "fuzz/regressions/$kind" 2>/dev/null)" ] && inputs+=("fuzz/regressions/$kind")
  corpus=$build/fuzz-corpus/$target
  log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus"
  # New inputs that reach new code go into the first directory and are kept.
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=1024 \
      -artifact_prefix="$build/fuzz-crashes/$target-" -print_final_stats=1 \
      "$corpus" "${inputs[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz: $target passed (${runs:-?} inputs in ${seconds}s, corpus $(ls "$corpus" | wc -l) files)"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED (log $log); last lines:"
    tail -40 "$log" | sed 's/^/  /'
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
