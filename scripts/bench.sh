#!/usr/bin/env bash
# Runs every benchmark program and prints its numbers.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
# bench_app runs last and runs bench_panels itself, so its table holds the panel figures.
for b in $(find "$build/bench" -maxdepth 3 -type f -name 'bench_*' -perm -u+x ! -name bench_panels ! -name bench_app | sort); do
  echo "== $(basename "$b")"
  "$b"
done
echo "== bench_app (build/gui/benchlink measured from outside; BENCH_APP_RUNS, BENCH_IDLE_SECONDS)"
"$build/bench/app/bench_app" "${BENCH_APP_RUNS:-2}" "${BENCH_IDLE_SECONDS:-60}"
