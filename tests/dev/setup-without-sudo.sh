#!/usr/bin/env bash
# './dev setup' run by a user without sudo, with packages missing, stops before trying to install and
# says how to get them installed (instead of failing on a 'sudo' that is not there).
#   setup-without-sudo.sh <dev script> <scratch folder>
set -euo pipefail
dev=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/bin"
trap 'rm -rf "$scratch"' EXIT
# A PATH with only what the script needs: no sudo, a user's id, no package installed.
for tool in dirname grep cat; do ln -s "$(command -v "$tool")" "$scratch/bin/$tool"; done
printf '#!/bin/sh\necho 1000\n' > "$scratch/bin/id"
printf '#!/bin/sh\nexit 1\n' > "$scratch/bin/dpkg-query"
printf '#!/bin/sh\ntouch "%s/apt-get-ran"\n' "$scratch" > "$scratch/bin/apt-get"
chmod +x "$scratch/bin/id" "$scratch/bin/dpkg-query" "$scratch/bin/apt-get"

status=0
PATH=$scratch/bin "$BASH" "$dev" setup 2> "$scratch/stderr" || status=$?
cat "$scratch/stderr" >&2
[ "$status" -ne 0 ] || { echo "FAIL: setup succeeded without a way to install" >&2; exit 1; }
grep -q "install sudo" "$scratch/stderr" || { echo "FAIL: setup did not say how to install" >&2; exit 1; }
[ ! -e "$scratch/apt-get-ran" ] || { echo "FAIL: apt-get ran without root" >&2; exit 1; }
echo "1 passed, 0 failed"
