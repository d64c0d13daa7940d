#!/usr/bin/env bash
# Runs a test program on a private session bus of its own, with a throw-away home and
# configuration folder, so nothing it does reaches the user's session.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/runtime XDG_CONFIG_HOME=$scratch/config
# Only this program is on the bus: a desktop stand-in that finds its name taken fails its case.
export MORVEX_TEST_PRIVATE_BUS=1
dbus-run-session -- "$@"
