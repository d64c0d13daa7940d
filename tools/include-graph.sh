#!/usr/bin/env bash
# Prints the include graph between the application's source folders: one line per pair of
# folders, "from -> to (count)", counting the #include lines of src/<from> that name a header
# of src/<to>. Platform and standard headers are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
folders=$(find src -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort | paste -sd'|')
grep -rHoE '^#include "[^"]+"' src --include='*.h' --include='*.cpp' |
  sed -E 's#^src/([^/]+)/[^:]*:\#include "([^/"]+)/.*#\1 \2#' |
  awk -v f="^($folders)\$" '$2 ~ f && $1 != $2 { n[$1 " -> " $2]++ } END { for (e in n) print e " (" n[e] ")" }' |
  sort
