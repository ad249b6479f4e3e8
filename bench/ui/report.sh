#!/usr/bin/env bash
# What the preview's popup report costs: the same program with the report and
# with it switched off (ORVANTA_NO_POPUP_REPORT=1), run alternately (the order
# swapped each round) so both see the same machine load. PSS of the renderer
# and of all processes after the first Preview, the later Preview time and the
# renderer's private memory after them;
# medians of the rounds, against the targets of +0.1 MB PSS and +10 ms.
# On an X server (the one in DISPLAY, else a virtual one) and offscreen.
#   report.sh [build folder] [x|offscreen]   (default: both)
# ROUNDS (default 9) sets the rounds; POPUP=1 adds runs in which each Preview
# opens a popup; STARTUP=1 adds start-up to first paint.
set -euo pipefail
build=${1:-build}
where=${2:-}
rounds=${ROUNDS:-9}
actions="$build/bench/ui/bench_ui_actions"
app="$build/ui/orvanta-probed"
for exe in "$actions" "$app"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done
. "$(dirname "$0")/common.bash"
choose_platform "$build" "$where"
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
# Each run gets a home of its own: nothing the engine keeps on disk carries
# over from one run to the next.
homes=$(mktemp -d)
trap 'rm -rf "$homes"' EXIT

# "<renderer PSS MB> <all PSS MB> <renderer private MB> <later Preview median ms>
#  <renderer private after the later Previews MB>" of one run; "failed" when the run printed no figures.
actions_run() {
  local home
  home=$(mktemp -d -p "$homes")
  env HOME="$home" XDG_CACHE_HOME="$home/cache" XDG_DATA_HOME="$home/data" \
    XDG_CONFIG_HOME="$home/config" "$@" "$actions" 2>/dev/null |
    awk '/^PSS after first Preview, all/ { all = $6; listing = 1; next }
         listing && /^ +[0-9.]+ MB  renderer/ { renderer += $1 }
         /^private after first Preview, renderer/ { private = $6; listing = 0 }
         /^later Preview, median/ { later = $4 }
         /^private after 11 Previews, renderer/ { after = $6 }
         END { if (all == "" || private == "" || later == "" || after == "") { print "failed"; exit }
               print renderer + 0, all, private, later, after }' || true
}
# Milliseconds from process start to the first paint.
startup_run() {
  local t0
  t0=$(date +%s%N)
  env "$@" ORVANTA_BENCH=startup "$app" 2>/dev/null |
    awk -v t0="$t0" -F= '/^first_paint_ns=/ { printf "%.3f\n", ($2 - t0) / 1e6 }' || true
}

failed=0
# pair TITLE ENV...: ROUNDS rounds of one run with the report and one
# without, the order swapped each round. PSS moves by tens of megabytes
# with what else on the machine maps the engine's library, so the growth is
# the median of each round's difference, and the renderer's private memory
# is shown beside it.
pair() {
  local title=$1 i on off
  shift
  local -a rows=()
  for ((i = 0; i < rounds; i++)); do
    if ((i % 2 == 0)); then
      off=$(actions_run ORVANTA_NO_POPUP_REPORT=1 "$@")
      on=$(actions_run "$@")
    else
      on=$(actions_run "$@")
      off=$(actions_run ORVANTA_NO_POPUP_REPORT=1 "$@")
    fi
    if [ "$on" = failed ] || [ "$off" = failed ]; then
      failed=$((failed + 1))
      continue
    fi
    rows+=("$on $off")
  done
  if ((${#rows[@]} == 0)); then
    echo "$title: no run printed its figures (is the preview module built?)"
    return 1
  fi
  printf '%s\n' "${rows[@]}" | awk -v title="$title" '
    function median(list, n,   i, j, t) {
      for (i = 2; i <= n; i++)
        for (j = i; j > 1 && list[j - 1] > list[j]; j--) { t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
      return list[int((n + 1) / 2)]
    }
    { n++
      printf "  round %d: renderer PSS %6.1f / %6.1f MB, all PSS %6.1f / %6.1f MB, renderer private %6.1f / %6.1f MB, later %6.1f / %6.1f ms, renderer private after them %6.1f / %6.1f MB (report / without)\n", n, $1, $6, $2, $7, $3, $8, $4, $9, $5, $10
      for (k = 1; k <= 5; k++) { on[k, n] = $k; off[k, n] = $(k + 5); d[k, n] = $k - $(k + 5) } }
    END {
      split("renderer PSS|all PSS|renderer private|later Preview|after 11 Previews", name, "|")
      split("MB|MB|MB|ms|MB", unit, "|")
      split("0.1|0.1|0.1|10|0.1", target, "|")
      printf "%s, medians of %d rounds:\n", title, n
      status = 0
      for (k = 1; k <= 5; k++) {
        for (i = 1; i <= n; i++) { a[i] = on[k, i]; b[i] = off[k, i]; c[i] = d[k, i] }
        grow = median(c, n)
        printf "  %-19s report %7.2f %s, without %7.2f %s; growth %+7.2f %s (target <= +%s) ratio %.2f\n",
               name[k] ":", median(a, n), unit[k], median(b, n), unit[k], grow, unit[k], target[k], grow / target[k]
        if ((k == 2 || k == 4) && grow > target[k]) status = 1
      }
      exit status }'
}

status=0
pair "each Preview without a popup" || status=1
if [ -n "${POPUP:-}" ]; then
  pair "each Preview opening a popup" ORVANTA_BENCH_POPUP=1 || status=1
fi
if [ -n "${STARTUP:-}" ]; then
  with_start=() without_start=()
  for ((i = 0; i < rounds * 3; i++)); do
    without_start+=("$(startup_run ORVANTA_NO_POPUP_REPORT=1)")
    with_start+=("$(startup_run)")
  done
  awk -v w="$(printf '%s\n' "${with_start[@]}" | median)" \
      -v o="$(printf '%s\n' "${without_start[@]}" | median)" 'BEGIN {
    printf "start-up to first paint, median: report %.1f ms, without %.1f ms; ratio %.3f\n", w, o, w / o }'
fi
((failed == 0)) || echo "($failed runs printed no figures and were left out)"
exit $status
