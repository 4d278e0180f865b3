#!/usr/bin/env bash
# Runs every benchmark program and prints its numbers.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
for b in $(find "$build/bench" -maxdepth 3 -type f -name 'bench_*' -perm -u+x | sort); do
  echo "== $(basename "$b")"
  "$b"
done
