#!/usr/bin/env bash
# Runs a test program against a real Secret Service: a private session bus with gnome-keyring's
# secrets component, unlocked with a throw-away password, in a throw-away home directory that is
# removed afterwards (so the script waits for the program instead of replacing itself with it).
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/runtime XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
dbus-run-session -- bash -c '
  printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  MORVEX_KEYCHAIN=secret-service exec "$@"' keyring "$@"
