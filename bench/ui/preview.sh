#!/usr/bin/env bash
# The preview's memory and its hung-page recovery, with the real program
# driven through its probe mode (ORVANTA_BENCH=preview):
#  - PSS of the program and its engine processes after the first Preview,
#    against a floor run in this same script: minimal_preview, two Qt
#    WebEngine views loading the same two test pages with the same engine
#    flags;
#  - PSS 31 s after going back to the input page, by when the views have
#    given their pages and renderer back and the program has dropped the
#    engine library's pages it mapped, and the time of the Preview that
#    builds them again (reading those pages back in);
#  - with LATE=1, PSS 90 s after leaving as well: what the engine's idle
#    threads have brought back meanwhile;
#  - the time from the Preview click to both views loaded when the old page
#    hangs in an endless script, beside a normal later Preview.
# On an X server (the one in DISPLAY, else a virtual one) and offscreen.
#   preview.sh [build folder] [x|offscreen]   (default: both)
# DETAIL=1 adds the figures of each process of the first round.
set -euo pipefail
build=${1:-build}
where=${2:-}
app="$build/ui/orvanta-probed"
floor="$build/bench/ui/minimal_preview"
rounds=${ROUNDS:-5}
for exe in "$app" "$floor"; do [ -x "$exe" ] || { echo "missing $exe"; exit 1; }; done

. "$(dirname "$0")/common.bash"
choose_platform "$build" "$where"
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

# PSS, USS and PSS as if alone on the machine, in kB, of a process and
# everything below it.
memory() { python3 "$(dirname "$0")/tree_memory.py" "$1"; }
# With DETAIL=1, a line per process of the first round, on standard error.
detail() {
  [ "${DETAIL:-0}" = 1 ] && [ "$i" = 0 ] || return 0
  echo "$1:" >&2
  python3 "$(dirname "$0")/tree_memory.py" "$2" -v | head -n -1 >&2
}

# Lines from the program: await PREFIX sets answer to the first line starting
# so (in this shell: a subshell cannot read the program's output).
await() {
  local line
  while IFS= read -r -t 120 line <&"${prog[0]}"; do
    case $line in "$1"*) answer=$line; return 0 ;; esac
  done
  echo "the program did not answer \"$1\"" >&2
  return 1
}
say() { echo "$*" >&"${prog[1]}"; }

page='<html><head><title>Popup Test Page</title></head><body><a href="#">test</a></body></html>'
spin="<title>spin</title><script>setTimeout(function(){document.title='spinning';while(true){}},300)</script>"
app_kb=() left_kb=() late_kb=() late_alone=() app_uss=() left_uss=() app_alone=() left_alone=() floor_kb=() floor_alone=() again_ms=() hung_ms=() later_ms=()
for ((i = 0; i < rounds; i++)); do
  coproc prog { HOME="$home" ORVANTA_BENCH=preview ORVANTA_PROBE_PROGRAM_FOLDER="$home" \
                exec "$app" 2>/dev/null; }
  pid=$prog_PID
  say "code $page"
  say preview
  await loaded
  sleep 1  # the engine settles, as a user would look
  detail "after the first Preview" "$pid"
  read -r pss uss alone <<<"$(memory "$pid")"
  app_kb+=("$pss") app_uss+=("$uss") app_alone+=("$alone")
  say "tab 1"
  sleep 31
  detail "31 s after leaving Preview" "$pid"
  read -r pss uss alone <<<"$(memory "$pid")"
  left_kb+=("$pss") left_uss+=("$uss") left_alone+=("$alone")
  if [ "${LATE:-0}" = 1 ]; then
    sleep 59
    detail "90 s after leaving Preview" "$pid"
    read -r pss uss alone <<<"$(memory "$pid")"
    late_kb+=("$pss") late_alone+=("$alone")
  fi
  say preview
  await loaded
  again_ms+=("${answer#loaded }")
  say work
  await work
  work=${answer#work }
  pages=$(mktemp -d -p "$home")
  cp "$work/test_page.htm" "$work/test_link.htm" "$pages/"
  # The old page hangs; the next Preview must not wait for it.
  say "code $spin"
  say preview
  say "title spinning"
  await "title spinning"
  say "code <title>after</title>"
  say preview
  await loaded
  hung_ms+=("${answer#loaded }")
  say "code <title>later</title>"
  say preview
  await loaded
  later_ms+=("${answer#loaded }")
  say close
  wait "$pid" 2>/dev/null || true

  coproc prog { exec "$floor" "$pages/test_page.htm" "$pages/test_link.htm" 2>/dev/null; }
  pid=$prog_PID
  await loaded
  sleep 1
  read -r pss uss alone <<<"$(memory "$pid")"
  floor_kb+=("$pss") floor_alone+=("$alone")
  eval "exec ${prog[1]}>&-"
  wait "$pid" 2>/dev/null || true
done

echo "PSS per round, kB: orvanta ${app_kb[*]}; 31 s after leaving Preview ${left_kb[*]}; minimal preview ${floor_kb[*]}"
others=$( (grep -l libQt6WebEngineCore /proc/[0-9]*/maps 2>/dev/null || true) | wc -l)
[ "$others" -gt 0 ] && echo "($others other processes map the engine library now; their share makes PSS read low)"
a=$(printf "%s\n" "${app_kb[@]}" | median)
f=$(printf "%s\n" "${floor_kb[@]}" | median)
e=$(printf "%s\n" "${left_kb[@]}" | median)
# Ratios within a round, where other processes' share weighs on both sides alike.
ratios() { local -n x=$1 y=$2; for ((k = 0; k < ${#x[@]}; k++)); do awk -v a="${x[k]}" -v b="${y[k]}" 'BEGIN { printf "%.3f\n", a / b }'; done; }
rf=$(ratios app_kb floor_kb | median)
rl=$(ratios left_kb app_kb | median)
ru=$(ratios left_uss app_uss | median)
ra=$(ratios left_alone app_alone | median)
rfa=$(ratios app_alone floor_alone | median)
g=$(printf "%s\n" "${again_ms[@]}" | median)
gmax=$(printf '%s\n' "${again_ms[@]}" | sort -n | tail -1)
h=$(printf "%s\n" "${hung_ms[@]}" | median)
l=$(printf "%s\n" "${later_ms[@]}" | median)
hmax=$(printf '%s\n' "${hung_ms[@]}" | sort -n | tail -1)
awk -v a="$a" -v f="$f" -v e="$e" -v rf="$rf" -v rl="$rl" -v ru="$ru" -v ra="$ra" -v rfa="$rfa" -v g="$g" -v gm="$gmax" -v h="$h" -v l="$l" -v hm="$hmax" -v n="$rounds" 'BEGIN {
  printf "PSS after first Preview, median of %d: orvanta %.1f MB, minimal preview %.1f MB; ratio of the medians %.3f, median of the per-round ratios %.3f (target <= 1.05); absolute target <= 160 MB\n", n, a / 1024, f / 1024, a / f, rf
  printf "PSS 31 s after leaving Preview: %.1f MB; to after the first Preview: ratio of the medians %.3f, median of the per-round ratios %.3f (target <= 0.6); private memory alone %.3f\n", e / 1024, e / a, rl, ru
  printf "Shared pages split among the program'"'"'s own processes only (as if alone on the machine), median of the per-round ratios: after the first Preview to the minimal preview %.3f; 31 s after leaving to after the first Preview %.3f\n", rfa, ra
  printf "Preview click to both views loaded, views made again after the release: median %.0f ms, slowest %.0f ms (target <= 400 ms)\n", g, gm
  printf "Preview click to both views loaded, old page hung: median %.0f ms, slowest %.0f ms (target <= 2000 ms)\n", h, hm
  printf "Preview click to both views loaded, normal later Preview: median %.0f ms\n", l }'
if [ "${#late_kb[@]}" -gt 0 ]; then
  awk -v e="$(printf "%s\n" "${late_kb[@]}" | median)" -v rl="$(ratios late_kb app_kb | median)" \
      -v ra="$(ratios late_alone app_alone | median)" 'BEGIN {
    printf "PSS 90 s after leaving Preview: %.1f MB; to after the first Preview: median of the per-round ratios %.3f, as if alone %.3f\n", e / 1024, rl, ra }'
fi
