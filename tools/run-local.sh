#!/usr/bin/env bash
# Starts the application from its bundle in the given build tree, against the local fake service
# when one has been built.
set -euo pipefail
BUILD=$1; shift
BUNDLE=$BUILD/MorvexVPN.app
cleanup() { [ -n "${FAKE_PID:-}" ] && kill "$FAKE_PID" 2>/dev/null || true; }
trap cleanup EXIT
if [ -x "$BUILD/tools/fake-service/morvex-fake-service" ]; then
  PORT=${MORVEX_FAKE_PORT:-18443}
  "$BUILD/tools/fake-service/morvex-fake-service" --port "$PORT" &
  FAKE_PID=$!
  export MORVEX_SERVICE_URL=${MORVEX_SERVICE_URL:-http://127.0.0.1:$PORT}
  # The VPN data centres' latency is measured against the local service's listener.
  export ZEVU_SERVER_OVERRIDE=${ZEVU_SERVER_OVERRIDE:-127.0.0.1:$PORT}
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
"$BUNDLE/bin/MorvexVPN" "$@"
