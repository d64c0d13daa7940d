#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb on a free display), for the tests that need what
# only a real platform gives (status items over the bus). The server ends with the command.
set -euo pipefail
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
read -r -t 10 number <&3 || { echo "on-xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
"$@"
