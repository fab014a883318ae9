#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Screenshots of the real windows, driven over AT-SPI and the keyboard as a user would: a music
folder with a few WAVs and a disc image, a bitrate chosen, a batch running in its job window, the
ripper showing the image's tracks, About and Settings; at scale factors 1, 1.5 and 2.

Run by scripts/screenshots.sh inside a desktop session: screenshots.py BIN_DIR OUTPUT_DIR
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import time
import wave

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "desktop"))
from desktop import activate, program_env, wait_for, window, xdotool  # noqa: E402

BIN, OUT = (os.path.abspath(a) for a in sys.argv[1:3])
SONGS = ["01 Morning Tide", "02 Harbour Lights", "03 Slow River", "04 Night Ferry"]


def tone(seconds, frequency):
    """A chord that fades in and out, as 16-bit stereo samples."""
    rate = 44100
    one = bytearray()
    for i in range(rate):  # one second, repeated: enough to look and sound like music
        t = i / rate
        v = 0.3 * math.sin(2 * math.pi * frequency * t) + 0.2 * math.sin(3 * math.pi * frequency * t)
        s = int(v * 32767 * (0.5 + 0.5 * math.sin(math.pi * t)))
        one += struct.pack("<hh", s, s)
    return bytes(one) * seconds


def make_music(folder):
    for n, name in enumerate(SONGS):
        with wave.open(os.path.join(folder, name + ".wav"), "wb") as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(44100)
            w.writeframes(tone(420, 220 + 55 * n))  # long enough to catch the batch running
    # A disc image of four tracks with its titles.
    sheet = ['PERFORMER "The Harbour Band"', 'TITLE "Coastline"',
             'FILE "Coastline.bin" BINARY']
    with open(os.path.join(folder, "Coastline.bin"), "wb") as image:
        start = 0
        for n, name in enumerate(SONGS):
            pcm = tone(30, 330 + 55 * n)
            pcm += bytes(-len(pcm) % 2352)
            image.write(pcm)
            sheet += [f"  TRACK {n + 1:02d} AUDIO", f'    TITLE "{name[3:]}"',
                      f"    INDEX 01 {start // 4500:02d}:{start // 75 % 60:02d}:{start % 75:02d}"]
            start += len(pcm) // 2352
    with open(os.path.join(folder, "Coastline.cue"), "w") as f:
        f.write("\r\n".join(sheet) + "\r\n")


def control(window, name, role):
    found = pyatspi.findDescendant(window, lambda n: n.name == name and n.getRole() == role)
    if found is None:
        sys.exit(f"screenshots: no {name} in {window.name}")
    return found


def press(window, name, role=pyatspi.ROLE_PUSH_BUTTON):
    """Clicks a control with the mouse, where the accessibility bus says it is; Qt tells where
    in unscaled pixels."""
    box = control(window, name, role).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    scale = float(os.environ.get("QT_SCALE_FACTOR", "1"))
    x, y = box.x + min(box.width / 2, 10), box.y + box.height / 2
    xdotool("mousemove", "--sync", str(round(x * scale)), str(round(y * scale)), "click", "1")
    time.sleep(0.3)


def shot(title, file):
    time.sleep(0.6)
    ids = xdotool("search", "--onlyvisible", "--name", "^" + title)
    subprocess.run(["import", "-frame", "-window", ids[0], os.path.join(OUT, file)], check=True)


def keys(title, *names):
    activate(title, shown_only=True)
    xdotool("key", "--delay", "120", *names)


def run(scale, music, env):
    suffix = "" if scale == "1" else f"@{scale}x"
    env = dict(env, QT_SCALE_FACTOR=scale)
    os.environ["QT_SCALE_FACTOR"] = scale  # for press(); this script's own toolkit has none
    program = subprocess.Popen([os.path.join(BIN, "wavelathe")], cwd=music, env=env)
    pid = program.pid
    try:
        main = wait_for("main window", lambda: window(pid, "Wavelathe", exact=False))
        press(main, "Encode", pyatspi.ROLE_RADIO_BUTTON)
        press(main, "128000", pyatspi.ROLE_RADIO_BUTTON)
        path = control(main, "path", pyatspi.ROLE_TEXT)
        path.queryEditableText().setTextContents(os.path.join(music, SONGS[1] + ".wav"))
        shot("Wavelathe", f"main-window{suffix}.png")
        press(main, "Encode All (Batch)")
        job = "Encoding 4 files"
        wait_for("job window", lambda: xdotool("search", "--name", "^" + job))
        time.sleep(1.5)
        # It opens minimized; the user brings it up from the task bar.
        wait_for("job window shown", lambda: activate(job) and
                 xdotool("search", "--onlyvisible", "--name", "^" + job))
        shot(job, f"job-window{suffix}.png")
        keys(job, "alt+F4")  # stops the batch: the next scale starts afresh
        keys("Wavelathe", "F10", "Return", "Return")  # File > To Cd Ripper
        ripper = "Cd Ripper for most SCSI and  ATAPI Drives"
        wait_for("ripper", lambda: window(pid, ripper, exact=False))
        keys(ripper, "End")  # the disc image, last in the drive list
        shot(ripper, f"ripper{suffix}.png")
        keys(ripper, "F10", "Right", "Right", "Return", "Return")  # Help > About
        wait_for("About", lambda: window(pid, "About", exact=False))
        shot("About", f"about{suffix}.png")
        keys("About", "alt+F4")
        keys(ripper, "F10", "Return", "Return")  # File > To Mp3 Encoder
        wait_for("main window", lambda: window(pid, "Wavelathe", exact=False))
        keys("Wavelathe", "F10", "Right", "Return", "Return")  # Options > Settings
        wait_for("Settings", lambda: window(pid, "Settings", exact=False))
        shot("Settings", f"settings{suffix}.png")
    finally:
        program.kill()
        program.wait()
    for f in os.listdir(music):
        if f.endswith(".mp3") or f.startswith(".wl-"):
            os.remove(os.path.join(music, f))


def main():
    # A user's home with a Music folder, as the pictures should show it: screenshots.sh gives
    # this script a private /home of its own when it can (WL_SCREENSHOT_HOME).
    home = os.environ.get("WL_SCREENSHOT_HOME")
    work = home if home else tempfile.mkdtemp()
    music = os.path.join(work, "Music")
    os.makedirs(music)
    make_music(music)
    env = program_env(work, XDG_MUSIC_DIR=music, HOME=work)
    os.makedirs(OUT, exist_ok=True)
    for scale in sys.argv[3:] or ["1", "1.5", "2"]:
        run(scale, music, env)
    subprocess.run(["rm", "-rf", work])
    print(f"screenshots in {OUT}")


main()
