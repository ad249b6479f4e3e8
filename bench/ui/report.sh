#!/usr/bin/env bash
# What the preview's popup report costs: the same program with the report and
# with it switched off (ORVANTA_NO_POPUP_REPORT=1), run alternately so both
# see the same machine load. Start-up to first paint, PSS after the first
# Preview and the later Preview time, on an X server as users run it.
#   report.sh [build folder]
set -euo pipefail
build=${1:-build}
rounds=${ROUNDS:-3}
actions="$build/bench/ui/bench_ui_actions"
app="$build/ui/orvanta-probed"
for exe in "$actions" "$app"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done
. "$(dirname "$0")/common.bash"
choose_platform "$build" x
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1

# "<PSS MB> <later Preview median ms>" of one run.
actions_run() {
  env "$@" "$actions" 2>/dev/null |
    awk '/^PSS after first Preview, all/ { pss = $6 }
         /^later Preview, median/ { later = $4 }
         END { if (pss == "" || later == "") exit 1; print pss, later }'
}
# Milliseconds from process start to the first paint.
startup_run() {
  local t0
  t0=$(date +%s%N)
  env "$@" ORVANTA_BENCH=startup "$app" 2>/dev/null |
    awk -v t0="$t0" -F= '/^first_paint_ns=/ { printf "%.3f\n", ($2 - t0) / 1e6 }'
}

with=() without=() with_start=() without_start=() popup_with=() popup_without=()
for ((i = 0; i < rounds; i++)); do
  without+=("$(actions_run ORVANTA_NO_POPUP_REPORT=1)")
  with+=("$(actions_run)")
  # Every Preview opening a popup, which the report then measures.
  popup_without+=("$(actions_run ORVANTA_NO_POPUP_REPORT=1 ORVANTA_BENCH_POPUP=1)")
  popup_with+=("$(actions_run ORVANTA_BENCH_POPUP=1)")
done
for ((i = 0; i < rounds * 5; i++)); do
  without_start+=("$(startup_run ORVANTA_NO_POPUP_REPORT=1)")
  with_start+=("$(startup_run)")
done
pss_with=$(column 1 "${with[@]}" | median)
pss_without=$(column 1 "${without[@]}" | median)
later_with=$(column 2 "${with[@]}" | median)
later_without=$(column 2 "${without[@]}" | median)
ppss_with=$(column 1 "${popup_with[@]}" | median)
ppss_without=$(column 1 "${popup_without[@]}" | median)
plater_with=$(column 2 "${popup_with[@]}" | median)
plater_without=$(column 2 "${popup_without[@]}" | median)
start_with=$(printf '%s\n' "${with_start[@]}" | median)
start_without=$(printf '%s\n' "${without_start[@]}" | median)
awk -v pw="$pss_with" -v po="$pss_without" -v lw="$later_with" -v lo="$later_without" \
    -v sw="$start_with" -v so="$start_without" -v n="$rounds" \
    -v qw="$ppss_with" -v qo="$ppss_without" -v rw="$plater_with" -v ro="$plater_without" 'BEGIN {
  printf "start-up to first paint, median:   report %.1f ms, without %.1f ms; ratio %.3f (target: unchanged)\n", sw, so, sw / so
  printf "PSS after first Preview, median:   report %.1f MB, without %.1f MB; growth %.1f MB (target <= 5)\n", pw, po, pw - po
  printf "later Preview, median of %d runs:  report %.1f ms, without %.1f ms; growth %.1f ms (target <= 10)\n", n, lw, lo, lw - lo
  printf "with a popup each Preview, PSS:    report %.1f MB, without %.1f MB; growth %.1f MB (target <= 5)\n", qw, qo, qw - qo
  printf "with a popup each Preview, later:  report %.1f ms, without %.1f ms; growth %.1f ms (target <= 10)\n", rw, ro, rw - ro
  status = (pw - po > 5 || lw - lo > 10 || qw - qo > 5 || rw - ro > 10) ? 1 : 0
  exit status }'
