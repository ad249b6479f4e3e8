#!/usr/bin/env bash
# Takes docs/screenshots/balloon.png and consult.png on a virtual screen.
#   tests/uihelp/make_screenshots.sh <build folder>
set -euo pipefail
build=${1:?build folder}
here=$(cd "$(dirname "$0")/../.." && pwd)
prog=$build/tests/uihelp/uihelp_screens
out=$here/docs/screenshots
mkdir -p "$out"

shoot() {  # mode, output file
  xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
    log=$(mktemp)
    # A window manager, where installed, gives the dialog its title bar.
    wm=
    if command -v openbox >/dev/null; then
      rc=$(mktemp --suffix=.xml)
      printf "%s\n" "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><theme>" \
        "<titleLayout>NLC</titleLayout><font place=\"ActiveWindow\"><name>sans</name>" \
        "<size>8</size><weight>bold</weight></font></theme></openbox_config>" >"$rc"
      openbox --config-file "$rc" 2>/dev/null & wm=$!
      sleep 1
    fi
    "$1" "$2" 8000 >"$log" &
    pid=$!
    for _ in $(seq 100); do grep -q "^crop" "$log" && break; sleep 0.1; done
    crop=$(sed -n "s/^crop //p" "$log")
    import -window root "$3.full.png"
    convert "$3.full.png" -crop "$crop" +repage "$3"
    rm -f "$3.full.png" "$log"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; rm -f "$rc"; fi
  ' shoot "$prog" "$1" "$2"
}

shoot balloon "$out/balloon.png"
shoot consult "$out/consult.png"
ls -l "$out"
