#!/usr/bin/env bash
# The main window's start-up (process start to first paint) and idle resident
# memory against a minimal Qt Widgets program showing one window, run
# alternately so both see the same machine load. Measured on an X server as
# users run it (the one in DISPLAY, else a virtual one started here) and on
# Qt's offscreen platform.
#   startup.sh [build folder] [x|offscreen]   (default: both)
set -euo pipefail
build=${1:-build}
where=${2:-}
app="$build/ui/orvanta-probed"
floor="$build/bench/ui/minimal_window"
rounds=${ROUNDS:-15}
for exe in "$app" "$floor"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done

. "$(dirname "$0")/common.bash"
choose_platform "$build" "$where"
export ORVANTA_BENCH=startup

# Prints "<ms to first paint> <resident kB at idle> <CPU ms to first paint>
# <OpenGL libraries mapped at idle, or ->" for one run.
measure() {
  local t0 out
  t0=$(date +%s%N)
  out=$("$1" 2>/dev/null)
  awk -v t0="$t0" '/^first_paint_ns=/ { split($0, a, "="); paint = a[2] }
                   /^cpu_ns=/ { split($0, a, "="); cpu = a[2] }
                   /^rss_kb=/ { split($0, a, "="); rss = a[2] }
                   /^opengl_libs=/ { split($0, a, "="); gl = a[2] == "" ? "-" : a[2] }
                   END { if (paint == "" || rss == "") exit 1
                         printf "%.3f %d %.3f %s\n", (paint - t0) / 1e6, rss, cpu / 1e6, gl }' \
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

app_ms=$(column 1 "${app_runs[@]}" | median)
floor_ms=$(column 1 "${floor_runs[@]}" | median)
app_best=$(column 1 "${app_runs[@]}" | least)
floor_best=$(column 1 "${floor_runs[@]}" | least)
app_cpu=$(column 3 "${app_runs[@]}" | least)
floor_cpu=$(column 3 "${floor_runs[@]}" | least)
app_kb=$(column 2 "${app_runs[@]}" | median)
floor_kb=$(column 2 "${floor_runs[@]}" | median)
app_gl=$(column 4 "${app_runs[@]}" | sort -u | paste -sd' ')
floor_gl=$(column 4 "${floor_runs[@]}" | sort -u | paste -sd' ')
# Other load on the machine only ever adds time, so the best run of each is
# the steadiest figure; the medians are shown beside it.
awk -v a="$app_ms" -v f="$floor_ms" -v ab="$app_best" -v fb="$floor_best" -v n="$rounds" \
    -v ac="$app_cpu" -v fc="$floor_cpu" -v ak="$app_kb" -v fk="$floor_kb" \
    -v ag="$app_gl" -v fg="$floor_gl" 'BEGIN {
  printf "start-up to first paint, best of %d: orvanta %.1f ms, minimal window %.1f ms; ratio %.2f (target <= 1.3)\n", n, ab, fb, ab / fb
  printf "start-up to first paint, median:     orvanta %.1f ms, minimal window %.1f ms; ratio %.2f\n", a, f, a / f
  printf "CPU time to first paint, best:       orvanta %.1f ms, minimal window %.1f ms; ratio %.2f\n", ac, fc, ac / fc
  printf "resident memory at idle, median:     orvanta %.1f MB, minimal window %.1f MB; ratio %.2f (target <= 1.3)\n", ak / 1024, fk / 1024, ak / fk
  printf "OpenGL libraries mapped at idle:     orvanta %s; minimal window %s\n", ag, fg }'
