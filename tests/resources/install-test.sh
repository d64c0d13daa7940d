#!/bin/sh
# Installs the build into temporary prefixes and checks what the desktop sees: the desktop entry
# (accepted by desktop-file-validate, naming the installed program), the application icon in every
# size, and the bundle beside them. Once with --prefix, once with DESTDIR (which must not leak into
# the entry).
#   install-test.sh <cmake> <build tree> <desktop-file-validate>
set -eu
cmake=$1 build=$2 validate=$3
id=com.morvex.mac.vpn
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { printf 'install-test: %s\n' "$*" >&2; exit 1; }

png_size() {  # width and height from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }'
}

check() {  # <root the files landed in> <prefix the entry must name>
  root=$1 prefix=$2
  entry=$root/share/applications/$id.desktop
  [ -f "$entry" ] || fail "no desktop entry at $entry"
  report=$("$validate" "$entry" 2>&1) || fail "desktop-file-validate refuses the entry: $report"
  [ -z "$report" ] || fail "desktop-file-validate warns: $report"
  program=$prefix/lib/morvexvpn/MorvexVPN.app/bin/MorvexVPN
  grep -qxF "Exec=$program" "$entry" || fail "Exec does not name $program: $(grep '^Exec=' "$entry")"
  grep -qxF "TryExec=$program" "$entry" || fail "TryExec does not name $program"
  grep -qxF "Icon=$id" "$entry" || fail "the entry names another icon"
  [ -x "$root/lib/morvexvpn/MorvexVPN.app/bin/MorvexVPN" ] || fail "the program is not installed"
  [ -f "$root/lib/morvexvpn/MorvexVPN.app/Resources/en.lproj/Localizable.strings" ] || fail "the resources are not installed"
  [ -f "$root/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
  for size in 16 22 24 32 48 64 128 256 512; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$icon" ] || fail "no ${size}x${size} icon"
    [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon"), not ${size}x${size}"
  done
}

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
check "$work/prefix" "$work/prefix"

DESTDIR=$work/stage "$cmake" --install "$build" --prefix /opt/morvexvpn >/dev/null
check "$work/stage/opt/morvexvpn" /opt/morvexvpn
echo "install-test: passed"
