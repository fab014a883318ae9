#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader meets, over AT-SPI: every showing, focusable control of the main window,
the ripper, About, Settings and a job window has a name it can say, and About's links are links,
reached with Tab and opened with Return and Space.

Usage: tests/desktop/session.sh /usr/bin/python3 tests/desktop/atspi_walk.py BIN_DIR
"""
import os
import subprocess
import sys
import tempfile
import wave

import pyatspi

from desktop import activate, program_env, wait_for, window

BIN = os.path.abspath(sys.argv[1])
problems = []


def walk(node, path=""):
    """Yields every node under node, with where it is."""
    for child in node:
        if child is None:
            continue
        here = f"{path}/{child.getRoleName()}"
        yield child, here
        yield from walk(child, here)


def check_names(frame):
    seen = 0
    for node, path in walk(frame, frame.name):
        states = node.getState()
        if states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_FOCUSABLE):
            seen += 1
            if not node.name.strip():
                problems.append(f"{path} has no name")
    if seen == 0:
        problems.append(f"{frame.name}: nothing focusable was seen")
    print(f"{frame.name}: {seen} focusable controls")


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "100", *names], check=True)


def main():
    work = tempfile.mkdtemp()
    os.chdir(work)
    opened = os.path.join(work, "opened.txt")
    fakes = os.path.join(work, "fakes")
    os.mkdir(fakes)
    with open(os.path.join(fakes, "xdg-open"), "w") as f:
        f.write(f'#!/bin/sh\necho "$1" >> "{opened}"\n')
    os.chmod(os.path.join(fakes, "xdg-open"), 0o755)
    env = program_env(work, XDG_MUSIC_DIR=work, PATH=fakes + ":" + os.environ["PATH"])
    program = subprocess.Popen([os.path.join(BIN, "wavelathe")], env=env)
    try:
        pid = program.pid
        check_names(wait_for("main window", lambda: window(pid, "Wavelathe")))
        activate("Wavelathe")
        keys("F10", "Return", "Return")  # File > To Cd Ripper
        ripper = "Cd Ripper for most SCSI and  ATAPI Drives"
        check_names(wait_for("ripper", lambda: window(pid, ripper)))
        activate(ripper)
        keys("F10", "Right", "Right", "Return", "Return")  # Help > About
        about = wait_for("About", lambda: window(pid, "About"))
        check_names(about)
        links = [n for n, _ in walk(about) if n.getRole() == pyatspi.ROLE_LINK]
        if sorted(n.name for n in links) != ["a@example.org", "www.example.org"]:
            problems.append(f"About's links are {[n.name for n in links]}")
        activate("About")
        keys("Return", "Tab", "space")
        wait_for("links opened", lambda: os.path.exists(opened) and
                 len(open(opened).read().split()) == 2)
        got = open(opened).read().split()
        if got != ["http://www.example.org", "mailto:a@example.org?subject=Wavelathe"]:
            problems.append(f"About's links opened {got}")
        keys("alt+F4")
        activate(ripper)
        keys("F10", "Return", "Return")  # File > To Mp3 Encoder
        wait_for("main window again", lambda: window(pid, "Wavelathe"))
        activate("Wavelathe")
        keys("F10", "Right", "Return", "Return")  # Options > Settings
        check_names(wait_for("Settings", lambda: window(pid, "Settings")))
        check_job_window(env)
    finally:
        program.kill()
        program.wait()
    if problems:
        print("\n".join("FAIL: " + p for p in problems))
        sys.exit(1)
    print("PASS: every control has a name")


def check_job_window(env):
    with wave.open("long.wav", "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(bytes(range(256)) * (44100 * 4 * 120 // 256))
    with open("settings.bat", "w") as f:
        f.write("BladeEnc  long.wav  Track1.mp3 -hq \r\n")
    job = subprocess.Popen([os.path.join(BIN, "wavelathe-job"), "settings.bat"], env=env)
    title = "Encoding long.wav"

    def shown():
        activate(title)  # it opens minimized; brought up, it shows its controls
        return window(job.pid, title, exact=False)
    try:
        check_names(wait_for("job window", shown))
        keys("alt+F4")  # closing a running job's window stops it
        job.wait(20)
    finally:
        job.kill()
        job.wait()


main()
