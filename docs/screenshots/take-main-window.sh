#!/usr/bin/env bash
# Takes main-screen.png, code-page.png, preview-page.png and about.png on a
# virtual screen, or only the ones named. The popup shows a page from a
# server on the loopback address.
#   docs/screenshots/take-main-window.sh <build folder> [main|code|preview|about ...]
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prog=$build/tests/ui/ui_screens
[ -x "$prog" ] || { echo "missing $prog"; exit 1; }
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

site=$(mktemp -d)
trap 'rm -rf "$site"; kill "$server" 2>/dev/null || true' EXIT
cat >"$site/offer.htm" <<'HTML'
<html><head><title>Spring offer</title></head>
<body style="font-family: sans-serif; background: #fffbe6; margin: 16px">
<h2 style="color: #004080; margin-top: 0">Spring offer</h2>
<p>This window was opened by the popup code that Orvanta generated.</p>
<p>It closes itself after 30 seconds.</p>
</body></html>
HTML
port=8765
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >/dev/null 2>&1 &
server=$!
sleep 1

shoot() {  # mode, output file
  xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
    log=$(mktemp)
    wm=
    if command -v openbox >/dev/null; then
      openbox 2>/dev/null & wm=$!
      sleep 1
    fi
    "$1" "$2" 20000 "$4" >"$log" 2>/dev/null &
    pid=$!
    for _ in $(seq 600); do grep -q "^crop" "$log" && break; sleep 0.1; done
    crop=$(sed -n "s/^crop //p" "$log")
    [ -n "$crop" ] || { echo "no picture for $2"; exit 1; }
    import -window root "$3.full.png"
    convert "$3.full.png" -crop "$crop" +repage "$3"
    rm -f "$3.full.png" "$log"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; fi
  ' shoot "$prog" "$1" "$2" "http://127.0.0.1:$port/offer.htm"
}

declare -A file=([main]=main-screen.png [code]=code-page.png [preview]=preview-page.png
                 [about]=about.png)
shots=("${@:2}")
[ ${#shots[@]} -gt 0 ] || shots=(main code preview about)
for shot in "${shots[@]}"; do
  [ -n "${file[$shot]:-}" ] || { echo "no such picture: $shot"; exit 1; }
  shoot "$shot" "$here/${file[$shot]}"
  ls -l "$here/${file[$shot]}"
done
