#!/usr/bin/env bash
# Starts the application from its bundle in the given build tree against local stand-ins, and
# stops everything it started when the application quits or on Ctrl-C:
#   - tools/fake-service on a free port (the back end, the sign-in page, the analytics sink);
#   - the simulated SDK's data centres all stand for that listener (ZEVU_SERVER_OVERRIDE), so
#     latency measurements reach something local;
#   - Xvfb when there is no display, and a session bus when there is none;
#   - in that private bus, a keyring (gnome-keyring's secrets) unlocked with a throw-away password
#     and kept under $MORVEX_RUN_HOME, so signing in asks nothing; on the desktop's own bus the
#     keychain is the private file instead (MORVEX_KEYCHAIN=file unless set), never the user's
#     own keyring.
# The application keeps its state (preferences, keychain file, login item) under
# $MORVEX_RUN_HOME (default <build>/run), never in the user's own configuration.
set -euo pipefail
BUILD=$(cd "$1" && pwd); shift
BUNDLE=$BUILD/MorvexVPN.app
RUN_HOME=${MORVEX_RUN_HOME:-$BUILD/run}
mkdir -p "$RUN_HOME/config"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -p -m 700 "$RUN_HOME/runtime"
  export XDG_RUNTIME_DIR=$RUN_HOME/runtime
fi

# Without a session bus, run again inside a private one (which this script's children share).
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ -z "${MORVEX_RUN_IN_BUS:-}" ]; then
  exec env MORVEX_RUN_IN_BUS=1 dbus-run-session -- "$0" "$BUILD" "$@"
fi

PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "${MORVEX_RUN_IN_BUS:-}" ] && [ -z "${MORVEX_KEYCHAIN:-}" ] && command -v gnome-keyring-daemon >/dev/null; then
  mkdir -p -m 700 "$RUN_HOME/keyring"
  # The daemon forks and stays for this bus; it leaves with the bus when the application quits.
  if printf 'morvex-dev-run' | XDG_DATA_HOME=$RUN_HOME/keyring gnome-keyring-daemon --unlock --components=secrets >/dev/null; then
    echo "run-local: keyring unlocked for this run (kept under $RUN_HOME/keyring)"
  else
    export MORVEX_KEYCHAIN=file
  fi
fi
if [ -z "${MORVEX_RUN_IN_BUS:-}" ]; then export MORVEX_KEYCHAIN=${MORVEX_KEYCHAIN:-file}; fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
  PIDS+=($!)
  read -r -t 10 number <&3 || { echo "run-local: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$number
  echo "run-local: no display; the window opens on Xvfb $DISPLAY"
fi

FAKE=$BUILD/tools/fake-service/morvex-fake-service
if [ -z "${MORVEX_SERVICE_URL:-}" ] && [ -x "$FAKE" ]; then
  # MORVEX_FAKE_OPTIONS: more options for the fake service (morvex-fake-service --help), e.g.
  # "--offer-update 9.0.0 --fail-download cut-half" to try the update page and a failed download.
  # shellcheck disable=SC2086
  exec 4< <("$FAKE" --port "${MORVEX_FAKE_PORT:-0}" ${MORVEX_FAKE_OPTIONS:-})
  PIDS+=($!)
  read -r -t 10 line <&4 || { echo "run-local: the fake service did not start" >&2; exit 1; }
  export MORVEX_SERVICE_URL=${line##* }
  echo "run-local: fake service at $MORVEX_SERVICE_URL"
fi
if [ -n "${MORVEX_SERVICE_URL:-}" ] && [ -z "${ZEVU_SERVER_OVERRIDE:-}" ]; then
  hostport=${MORVEX_SERVICE_URL#*://}
  export ZEVU_SERVER_OVERRIDE=${hostport%%/*}
fi

export XDG_CONFIG_HOME=$RUN_HOME/config
# The sign-in window's engine (Chromium) refuses to start its sandbox as root (containers).
if [ "$(id -u)" = 0 ] && [ -z "${QTWEBENGINE_DISABLE_SANDBOX:-}" ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
"$BUNDLE/bin/MorvexVPN" "$@" &
APP=$!
# A background program does not see Ctrl-C: hand it on as the request to quit, and wait until
# the application has ended the way it ends on its own.
trap 'kill -TERM "$APP" 2>/dev/null || true' INT TERM
set +e
while true; do
  wait "$APP"
  status=$?
  kill -0 "$APP" 2>/dev/null || break
done
set -e
exit "$status"
