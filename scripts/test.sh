#!/usr/bin/env bash
# Runs every test through ctest with an offscreen Qt and a private runtime folder.
set -euo pipefail
build=${1:-build}
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$runtime"
scripts=$(cd "$(dirname "$0")" && pwd)
# Used only by a ThreadSanitizer build (make tsan).
export TSAN_OPTIONS="suppressions=$scripts/tsan.supp ${TSAN_OPTIONS:-}"
# Used only by an AddressSanitizer and UndefinedBehaviorSanitizer build (make check):
# stop at the first report, leaks included.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1 ${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$scripts/lsan.supp ${LSAN_OPTIONS:-}"
ctest --test-dir "$build" --output-on-failure -j2
