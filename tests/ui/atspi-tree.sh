#!/usr/bin/env bash
# atspi_tree.py against PROGRAM on a private session bus, on a virtual X
# display when none is set; 77 (skipped) when no bus can start.
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # the one python3-pyatspi is installed for
[ -x "$python" ] || python=python3
run=("$python" "$here/atspi_tree.py" "$1")
command -v dbus-run-session > /dev/null || { echo "SKIP: no dbus-run-session"; exit 77; }
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run > /dev/null || { echo "SKIP: no display and no xvfb-run"; exit 77; }
  run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
fi
exec dbus-run-session -- "${run[@]}"
