#!/usr/bin/env bash
# A long fuzzing session: every target for SECONDS (default one hour each),
# one after the other, growing the kept corpus in build-fuzz/fuzz-corpus/.
# Crashes land in build-fuzz/fuzz-crashes/; reproduce one with
#   build-fuzz/fuzz/fuzz_TARGET build-fuzz/fuzz-crashes/TARGET-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
exec fuzz/run.sh "${1:-3600}" "${@:2}"
