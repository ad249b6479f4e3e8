#!/usr/bin/env bash
# Runs every benchmark: each bench/*/bench_* executable in the build folder,
# then each bench/*/*.sh script (given the build folder).
set -uo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for exe in $(find "$build/bench" -maxdepth 2 -type f -name 'bench_*' -perm -u+x | sort); do
  echo "== $(basename "$exe")"
  "$exe" --benchmark_counters_tabular=true || status=1
done
for script in $(find "$root/bench" -maxdepth 2 -name '*.sh' | sort); do
  echo "== $(basename "$script")"
  bash "$script" "$build" || status=1
done
exit $status
