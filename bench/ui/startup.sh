#!/usr/bin/env bash
# The main window's start-up (process start to first paint) and idle resident
# memory against a minimal Qt Widgets program showing one window, run
# alternately so both see the same machine load.
set -euo pipefail
build=${1:-build}
app="$build/ui/orvanta"
floor="$build/bench/ui/minimal_window"
rounds=${ROUNDS:-15}
for exe in "$app" "$floor"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}; fi
export ORVANTA_BENCH=startup

# Prints "<ms to first paint> <resident kB at idle> <CPU ms to first paint>"
# for one run.
measure() {
  local t0 out
  t0=$(date +%s%N)
  out=$("$1" 2>/dev/null)
  awk -v t0="$t0" '/^first_paint_ns=/ { split($0, a, "="); paint = a[2] }
                   /^cpu_ns=/ { split($0, a, "="); cpu = a[2] }
                   /^rss_kb=/ { split($0, a, "="); rss = a[2] }
                   END { if (paint == "" || rss == "") exit 1
                         printf "%.3f %d %.3f\n", (paint - t0) / 1e6, rss, cpu / 1e6 }' \
    <<<"$out"
}

"$app" >/dev/null 2>&1 || true  # warm the file cache for both
"$floor" >/dev/null 2>&1 || true
app_runs=()
floor_runs=()
for ((i = 0; i < rounds; i++)); do
  app_runs+=("$(measure "$app")")
  floor_runs+=("$(measure "$floor")")
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { sort -n | head -1; }
column() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1"; }
app_ms=$(column 1 "${app_runs[@]}" | median)
floor_ms=$(column 1 "${floor_runs[@]}" | median)
app_best=$(column 1 "${app_runs[@]}" | least)
floor_best=$(column 1 "${floor_runs[@]}" | least)
app_cpu=$(column 3 "${app_runs[@]}" | least)
floor_cpu=$(column 3 "${floor_runs[@]}" | least)
app_kb=$(column 2 "${app_runs[@]}" | median)
floor_kb=$(column 2 "${floor_runs[@]}" | median)
# Other load on the machine only ever adds time, so the best run of each is
# the steadiest figure; the medians are shown beside it.
awk -v a="$app_ms" -v f="$floor_ms" -v ab="$app_best" -v fb="$floor_best" -v n="$rounds" \
    -v ac="$app_cpu" -v fc="$floor_cpu" -v ak="$app_kb" -v fk="$floor_kb" 'BEGIN {
  printf "start-up to first paint, best of %d: orvanta %.1f ms, minimal window %.1f ms; ratio %.2f (target <= 1.3)\n", n, ab, fb, ab / fb
  printf "start-up to first paint, median:     orvanta %.1f ms, minimal window %.1f ms; ratio %.2f\n", a, f, a / f
  printf "CPU time to first paint, best:       orvanta %.1f ms, minimal window %.1f ms; ratio %.2f\n", ac, fc, ac / fc
  printf "resident memory at idle, median:     orvanta %.1f MB, minimal window %.1f MB; ratio %.2f (target <= 1.3)\n", ak / 1024, fk / 1024, ak / fk }'
