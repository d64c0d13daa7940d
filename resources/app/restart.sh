#!/bin/sh
# Starts MorvexVPN again from its bundle once the running instance has ended.
#
#   /bin/sh restart.sh <bundle path>
#
# The application runs this while it quits (after a language change), as a process of its own that
# outlives it. The bundle path is the one argument and is only ever used as a quoted parameter,
# never pasted into shell text, so any character in it is safe. The old instance is found by its
# program file: every process whose /proc/<pid>/exe is <bundle>/bin/MorvexVPN. When none is left,
# the script becomes the new instance (exec), with the environment it was given.
#
# Exit status: 2 for a wrong call, 1 when there is no program to start or the old instance did not
# end within a minute (then no second instance is started); otherwise the application's own.

if [ "$#" -ne 1 ] || [ -z "$1" ]; then
  printf '%s\n' "usage: restart.sh <bundle path>" >&2
  exit 2
fi

bundle=$1
case $bundle in
  /*) ;;
  *) bundle=./$bundle ;;  # a relative path must not look like an option to exec
esac
app=$bundle/bin/MorvexVPN

if [ ! -f "$app" ] || [ ! -x "$app" ]; then
  printf 'restart.sh: no MorvexVPN program at %s\n' "$app" >&2
  exit 1
fi

still_running() {
  for exe in /proc/[0-9]*/exe; do
    # -ef: the same file (device and inode); processes of other users cannot be read and never match.
    if [ "$exe" -ef "$app" ]; then
      return 0
    fi
  done
  return 1
}

tries=600  # a minute in steps of a tenth of a second
while still_running; do
  tries=$((tries - 1))
  if [ "$tries" -le 0 ]; then
    printf 'restart.sh: MorvexVPN at %s did not quit; not starting a second instance\n' "$app" >&2
    exit 1
  fi
  sleep 0.1
done

exec "$app"
