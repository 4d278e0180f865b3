#!/usr/bin/env bash
# Starts Benchlink with a simulated RD24-M4 (ID 1, IDs 3 and 5 behind it on its
# CAN bus) on COM1, and stops the simulator when the program ends; refuses
# politely when there is no display to show it on. `run.sh --check` only makes
# that check.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start Benchlink under a display server, for example with: xvfb-run make run" >&2
  exit 1
fi
[ "${1:-}" = "--check" ] && exit 0
build=${1:-build}

sim_pid=
sim_out=$(mktemp)
stop_simulator() {
  if [ -n "$sim_pid" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$sim_out"
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -x "$build/sim/benchlink-sim" ]; then
  "$build/sim/benchlink-sim" --com 1 --bus 3,5 >"$sim_out" 2>&1 &
  sim_pid=$!
  # It prints its line once the port is linked; it exits at once if it cannot be.
  for _ in $(seq 1 100); do
    if [ -s "$sim_out" ] || ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
    sleep 0.02
  done
  if kill -0 "$sim_pid" 2>/dev/null && grep -q '^COM1 -> ' "$sim_out"; then
    echo "Simulated RD24-M4 with ID 1 (CAN bus: 3 and 5) on $(head -n 1 "$sim_out")"
  else
    echo "Starting without a simulator on COM1: $(cat "$sim_out")" >&2
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
else
  echo "Starting without a simulator: $build/sim/benchlink-sim is not built" >&2
fi

status=0
"$build/gui/benchlink" || status=$?
exit "$status"
