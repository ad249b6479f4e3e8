# Shared by the window benchmarks; sourced, not run.

# With no platform given, runs the calling script ($0) once on an X server and
# once offscreen, then exits. On X without a DISPLAY it runs again under a
# virtual server. Otherwise sets QT_QPA_PLATFORM and says where it runs.
#   choose_platform BUILD [x|offscreen]
choose_platform() {
  local build=$1 where=$2
  if [ -z "$where" ]; then
    local status=0
    bash "$0" "$build" x || status=1
    bash "$0" "$build" offscreen || status=1
    exit $status
  fi
  if [ "$where" = x ]; then
    if [ -z "${DISPLAY:-}" ]; then
      command -v xvfb-run >/dev/null || { echo "no X server: set DISPLAY or install xvfb"; exit 1; }
      exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build" x
    fi
    export QT_QPA_PLATFORM=xcb
    echo "-- on the X server $DISPLAY"
  else
    export QT_QPA_PLATFORM=offscreen
    echo "-- on the offscreen platform"
  fi
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
least() { sort -n | head -1; }
# column N WORDS...: the Nth space-separated field of each word.
column() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1"; }
