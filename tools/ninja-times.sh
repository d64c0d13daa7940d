#!/usr/bin/env bash
# Where a build's time went: sums the steps of a build tree's .ninja_log by target (or by folder
# of the output when a step belongs to no target) and prints the largest first, with the kind of
# step (compile, header check, link, moc/rcc, other) beside it.
#   tools/ninja-times.sh build/ci            by target
#   tools/ninja-times.sh build/ci kind       by kind of step only
# Only the last run of each output counts (a rebuilt object replaces its earlier entry), and one
# command that wrote several outputs counts once. The times are each step's own wall time: on a
# cold build (CCACHE_DISABLE=1, a fresh tree) their sum is close to the CPU time the build cost.
set -euo pipefail
tree=${1:?usage: ninja-times.sh BUILD_DIR [target|kind]}
by=${2:-target}
log=$tree/.ninja_log
[ -f "$log" ] || { echo "ninja-times: no $log" >&2; exit 1; }

awk -v by="$by" '
  /^#/ { next }
  { last[$4] = $1 " " $2 " " $5 }
  END {
    for (out in last) {
      split(last[out], f, " ")
      key = f[1] " " f[2] " " f[3]
      if (key in seen) continue
      seen[key] = 1
      ms = f[2] - f[1]
      if (out ~ /_autogen\/|qrc_|\.rcc|moc_/) kind = "moc/rcc"
      else if (out ~ /_headers\.dir\//) kind = "header check"
      else if (out ~ /\.o$/) kind = "compile"
      else if (out ~ /\.(a|so)$/ || out !~ /\./) kind = "link"
      else kind = "other"
      if (by == "kind") {
        group = kind
      } else if (match(out, /CMakeFiles\/[^\/]*\.dir\//)) {
        group = substr(out, RSTART + 11, RLENGTH - 16)
      } else {
        group = out
        sub(/\/[^\/]*$/, "", group)
        if (group == out) group = "."
      }
      sum[group] += ms; n[group]++; total += ms
      if (by != "kind") kinds[group] = kinds[group] ((index(kinds[group], kind) ? "" : (kinds[group] ? "," : "") kind))
    }
    for (g in sum)
      printf "%9.1f  %5.1f%%  %5d  %-40s %s\n", sum[g] / 1000, 100 * sum[g] / total, n[g], g, kinds[g] | "sort -rn"
    close("sort -rn")
    printf "%9.1f  total seconds of steps (%.1f minutes)\n", total / 1000, total / 60000
  }' "$log"
