#!/usr/bin/env bash
# Runs every test through ctest with an offscreen Qt and a private runtime folder.
set -euo pipefail
build=${1:-build}
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$runtime"
# Used only by a ThreadSanitizer build (make tsan).
export TSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/tsan.supp ${TSAN_OPTIONS:-}"
ctest --test-dir "$build" --output-on-failure
