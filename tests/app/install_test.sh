#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs into a temporary prefix and checks the layout of a desktop program: everything in
# PREFIX/lib/wavelathe, one link on PATH, a valid desktop entry, and jobs that find the tools
# from any folder.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in wavelathe wavelathe-job wavelathe-cmd wavelathe-probe wavelathe-lookup BladeEnc l3dec CDDA Help.txt Readme.txt; do
  [ -e "$prefix/lib/wavelathe/$f" ] || fail "$f is not installed"
done
[ -L "$prefix/bin/wavelathe" ] || fail "no wavelathe link in bin/"
[ "$(ls "$prefix/bin")" = "wavelathe" ] || fail "bin/ holds more than the wavelathe link"
for f in icons/hicolor/scalable/apps/wavelathe.svg icons/hicolor/48x48/apps/wavelathe.png \
         icons/hicolor/256x256/apps/wavelathe.png metainfo/org.example.wavelathe.metainfo.xml \
         man/man1/BladeEnc.1.gz doc/wavelathe/copyright; do
  [ -f "$prefix/share/$f" ] || fail "share/$f is not installed"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/wavelathe.desktop" || fail "desktop entry invalid"
fi

# Started through the link from another folder, the program comes up.
cd "$work"
WAVELATHE_QUIT_WHEN_SHOWN=1 QT_QPA_PLATFORM=offscreen "$prefix/bin/wavelathe" >/dev/null 2>&1 \
  || fail "the installed program does not start"
# A job script there finds the installed tools (a usage error, not "not found").
printf 'BladeEnc\r\n' > settings.bat
status=0
"$prefix/lib/wavelathe/wavelathe-cmd" settings.bat >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || fail "the installed interpreter did not find BladeEnc (status $status)"
echo "1 passed, 0 failed"
