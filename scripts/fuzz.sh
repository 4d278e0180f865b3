#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# ${FUZZ_SECONDS:-60} seconds, or for ${FUZZ_RUNS} executions when that is set
# (FUZZ_TARGETS="a b" runs only those targets). The corpus grows under build-fuzz/corpus/<target>; inputs
# that crash or break a property land in build-fuzz/findings/<target>. Exits non-zero
# when any target found something.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=${FUZZ_SECONDS:-60}
runs=${FUZZ_RUNS:-}

# clang and its runtime libraries (libFuzzer, the sanitizers) come from Debian.
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "Missing ${missing[*]} and not root." >&2; exit 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DBENCHLINK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2

mapfile -t targets < <(find "$build/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ -n "${FUZZ_TARGETS:-}" ]; then
  chosen=()
  for exe in "${targets[@]}"; do
    for name in $FUZZ_TARGETS; do [ "$(basename "$exe")" = "fuzz_${name#fuzz_}" ] && chosen+=("$exe"); done
  done
  targets=("${chosen[@]}")
fi
if [ -n "$runs" ]; then budget=(-runs="$runs"); what="$runs executions"; else budget=(-max_total_time="$seconds"); what="$seconds s"; fi
[ ${#targets[@]} -gt 0 ] || { echo "No fuzz targets were built." >&2; exit 1; }

summary=()
total_findings=0
for exe in "${targets[@]}"; do
  target=$(basename "$exe")
  name=${target#fuzz_}
  corpus="$build/corpus/$name"
  findings="$build/findings/$name"
  log="$build/logs/$name.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"

  args=("${budget[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=4096
        -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  dirs=("$corpus")
  [ -d "$root/fuzz/seeds/$name" ] && dirs+=("$root/fuzz/seeds/$name")

  echo "== $target: $what"
  set +e
  "$exe" "${args[@]}" "${dirs[@]}" >"$log" 2>&1
  status=$?
  set -e

  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$executed" ] || executed=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
  found=$(find "$findings" -type f | wc -l)
  entries=$(find "$corpus" -type f | wc -l)
  total_findings=$((total_findings + found))
  line=$(printf '%-28s executions %-10s corpus %-6s findings %s' "$target" "${executed:-?}" "$entries" "$found")
  summary+=("$line")
  echo "$line"
  if [ "$found" -gt 0 ] || [ "$status" -ne 0 ]; then
    grep -E 'ERROR|property broken|SUMMARY' "$log" | head -n 5 || true
    echo "   log: $log"
    echo "   inputs: $findings"
  fi
done

echo
echo "Fuzzing summary ($what per target):"
printf '%s\n' "${summary[@]}"
if [ "$total_findings" -gt 0 ]; then
  echo "$total_findings finding(s): replay one with <target> <input file>."
  exit 1
fi
echo "No findings."
