#!/usr/bin/env bash
# Runs a test program against a real Secret Service: a private session bus with gnome-keyring's
# secrets component, unlocked with a throw-away password, in a throw-away home directory that is
# removed afterwards (so the script waits for the program instead of replacing itself with it).
# With MORVEX_KEYRING_LOGIN=none the keyring starts without a login collection (as a daemon that
# nobody unlocked at log-in), so the service has no usable default collection.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/runtime XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
dbus-run-session -- bash -c '
  if [ "${MORVEX_KEYRING_LOGIN:-}" = none ]; then
    gnome-keyring-daemon --start --components=secrets >/dev/null
  else
    printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  fi
  MORVEX_KEYCHAIN=secret-service exec "$@"' keyring "$@"
