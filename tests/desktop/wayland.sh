#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The job window and the main window on Wayland, under weston's headless back end: a job runs to
# its end, both windows carry the desktop entry's app id, and the job window never asks to be
# activated. What the program asks of the compositor is read from the client's protocol trace.
# Usage: tests/desktop/wayland.sh BIN_DIR
set -euo pipefail
bin=$(realpath "$1")
work=$(mktemp -d)
weston=
trap '[ -n "$weston" ] && kill $weston 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-wl --idle-time=0 >"$work/weston.log" 2>&1 &
weston=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/wayland-wl" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/wayland-wl" ] || { cat "$work/weston.log"; echo "FAIL: weston did not start"; exit 1; }
export WAYLAND_DISPLAY=wayland-wl QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client
unset DISPLAY
cd "$work"
/usr/bin/python3 - <<'PY'
import wave
with wave.open("song.wav", "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
    w.writeframes(bytes(range(256)) * (44100 * 4 * 5 // 256))
PY
printf 'BladeEnc  song.wav  Track1.mp3 -br 128000\r\n' >settings.bat
fail() { echo "FAIL: $*"; exit 1; }
timeout 60 "$bin/wavelathe-job" settings.bat 2>job.trace || fail "the job window did not end well"
[ -s Track1.mp3 ] || fail "the job wrote no Track1.mp3"
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("wavelathe")' job.trace || fail "the job window has no app id"
! grep -q 'xdg_activation_v1@[0-9]*\.activate' job.trace || fail "the job window asked to be activated"
WAVELATHE_QUIT_WHEN_SHOWN=1 timeout 30 "$bin/wavelathe" 2>main.trace >/dev/null ||
  fail "the main window did not open"
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("wavelathe")' main.trace || fail "the main window has no app id"
echo "PASS: the job and the main window on Wayland"
