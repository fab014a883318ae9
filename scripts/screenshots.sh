#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real windows under Xvfb and openbox, at scale factors 1, 1.5 and 2, for the
# README (docs/): see scripts/screenshots.py.
# Usage: scripts/screenshots.sh [OUTPUT_DIR [SCALE...]]
#   (after a build; needs xdotool, imagemagick and python3-pyatspi)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
shift || true
# As root, the windows show a home folder's Music, in a /home of the script's own (a private
# tmpfs that only it sees); otherwise a temporary folder.
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  exec tests/desktop/session.sh unshare -m sh -c \
    'mount -t tmpfs -o mode=755 tmpfs /home && mkdir -p /home/alex && \
     WL_SCREENSHOT_HOME=/home/alex exec /usr/bin/python3 scripts/screenshots.py "$@"' \
    screenshots build/bin "$out" "$@"
fi
exec tests/desktop/session.sh /usr/bin/python3 scripts/screenshots.py build/bin "$out" "$@"
