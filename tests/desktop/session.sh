#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a desktop session of its own: Xvfb, the openbox window manager and a private
# session bus. Usage: tests/desktop/session.sh COMMAND [ARGS...]
set -euo pipefail
if [ -z "${WL_IN_SESSION:-}" ]; then
  export WL_IN_SESSION=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- "$0" "$@"
fi
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# openbox is ready once it has claimed the screen's window-manager selection.
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
status=0
"$@" || status=$?
kill $wm 2>/dev/null || true
exit $status
