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
exec tests/desktop/session.sh /usr/bin/python3 scripts/screenshots.py build/bin "$out" "$@"
