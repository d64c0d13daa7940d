#!/usr/bin/env bash
# Runs a command with a temporary folder of its own and fails when the command leaves anything in it.
#   leaves-nothing-behind.sh <scratch folder> <command> [arguments...]
set -euo pipefail
scratch=$1
shift
rm -rf "$scratch"
mkdir -p "$scratch"
status=0
TMPDIR=$scratch "$@" || status=$?
left=$(find "$scratch" -mindepth 1 -maxdepth 1)
rm -rf "$scratch"
if [ -n "$left" ]; then
  echo "left behind in the temporary folder:" >&2
  echo "$left" >&2
  exit 1
fi
exit $status
