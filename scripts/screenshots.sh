#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real windows under Xvfb and openbox, driven as a user would with the
# keyboard: the main window and the ripper for the README (docs/), About and Settings too.
# Usage: scripts/screenshots.sh [OUTPUT_DIR]   (after a build; needs xdotool and imagemagick)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-docs}")
if [ -z "${WL_IN_SESSION:-}" ]; then
  exec tests/desktop/session.sh "$0" "$out"
fi
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_MUSIC_DIR=$work
"$root/build/bin/wavelathe" &
app=$!
wait_for() { # wait_for TITLE -> window id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window $1" >&2; exit 1
}
shot() { # shot WINDOW FILE: the window with its frame
  sleep 0.5
  import -frame -window "$1" "$2"
}
main=$(wait_for Wavelathe)
shot "$main" "$out/main-window.png"
# File > To Cd Ripper, with the keyboard.
xdotool windowfocus --sync "$main" key F10 Return Return
ripper=$(wait_for "Cd Ripper for most SCSI and  ATAPI Drives")
shot "$ripper" "$out/ripper.png"
# Help > About in the ripper; then back to the main window for Options > Settings.
xdotool windowfocus --sync "$ripper" key F10 Right Right Return Return
shot "$(wait_for About)" "$out/about.png"
xdotool windowfocus --sync "$ripper" key F10 Return Return
main=$(wait_for Wavelathe)
xdotool windowfocus --sync "$main" key F10 Right Return Return
shot "$(wait_for Settings)" "$out/settings.png"
kill $app
echo "screenshots in $out"
