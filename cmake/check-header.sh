#!/bin/sh
# Compiler launcher of the header checks: the compiler only parses the check's source
# (-fsyntax-only: no code, no object), and the object the build expects is left empty, so the
# check runs again only when the header or what it includes changes.
out=
prev=
for arg in "$@"; do
  [ "$prev" = "-o" ] && out=$arg
  prev=$arg
done
"$@" -fsyntax-only || exit
[ -z "$out" ] || : > "$out"
