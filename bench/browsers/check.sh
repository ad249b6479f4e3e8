#!/usr/bin/env bash
# One check per installed engine, and the window's memory around "Check in
# Browsers", offscreen and on an X server.
set -euo pipefail
build=${1:-build}
exe=$build/bench/browsers/browser_check_bench
echo "-- offscreen"
QT_QPA_PLATFORM=offscreen "$exe"
echo "-- X server"
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb "$exe"
else
  QT_QPA_PLATFORM=xcb "$exe"
fi
