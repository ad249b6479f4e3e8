#!/usr/bin/env bash
# Runs atspi_tree.py against PROGRAM on a private session bus, on a virtual X
# display when none is set. Exits with 77 (skipped) when no bus can start.
set -u
program=$1
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v dbus-run-session > /dev/null; then
  echo "SKIP: dbus-run-session is missing, so no session bus can start"
  exit 77
fi
# The Debian python, which python3-pyatspi is installed for.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
run=("$python" "$here/atspi_tree.py" "$program")
if [ -z "${DISPLAY:-}" ]; then
  if ! command -v xvfb-run > /dev/null; then
    echo "SKIP: no display and no xvfb-run"
    exit 77
  fi
  run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
fi
exec dbus-run-session -- "${run[@]}"
