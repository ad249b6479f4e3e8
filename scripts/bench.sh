#!/usr/bin/env bash
# Runs every benchmark: each bench/*/bench_* executable in the build folder,
# then each bench/*/*.sh script (given the build folder). The window's
# benchmarks run on an X server as users run the program: the one in DISPLAY,
# else a virtual one started for them.
set -uo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
on_x() {
  if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb "$@"
  else
    QT_QPA_PLATFORM=xcb "$@"
  fi
}
for exe in $(find "$build/bench" -maxdepth 2 -type f -name 'bench_*' -perm -u+x | sort); do
  echo "== $(basename "$exe")"
  case $exe in
    */bench/ui/*) on_x "$exe" || status=1 ;;
    *) "$exe" --benchmark_counters_tabular=true || status=1 ;;
  esac
done
for script in $(find "$root/bench" -maxdepth 2 -name '*.sh' | sort); do
  echo "== $(basename "$script")"
  bash "$script" "$build" || status=1
done
exit $status
