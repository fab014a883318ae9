# SPDX-License-Identifier: GPL-3.0-or-later
"""Driving the real windows in a desktop session: finding them over AT-SPI, bringing them up
and typing into them with xdotool. Shared by tests/desktop/atspi_walk.py and
scripts/screenshots.py."""
import os
import subprocess
import sys
import time

import pyatspi


def program_env(work, **extra):
    """The program's environment: accessible, with its settings and data in work."""
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_DATA_HOME=os.path.join(work, "data"), **extra)
    env.pop("QT_QPA_PLATFORM", None)
    return env


def wait_for(what, find, timeout=20.0):
    """What find() gives once it gives something; the script ends if it never does."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"{os.path.basename(sys.argv[0])}: no {what} after {timeout:.0f} s")


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away while we looked
            continue
    return None


def window(pid, title, exact=True):
    """The showing window of process pid titled title (or whose title starts with it)."""
    for frame in application(pid) or []:
        if frame is not None and (frame.name == title if exact else frame.name.startswith(title)) \
                and frame.getState().contains(pyatspi.STATE_SHOWING):
            return frame
    return None


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def activate(title, shown_only=False):
    """Activates the window whose title starts with title: one on screen, or one that may also
    be minimized."""
    ids = xdotool("search", *(["--onlyvisible"] if shown_only else []), "--name", "^" + title)
    if ids:
        xdotool("windowactivate", "--sync", ids[0])
    return ids[0] if ids else None
