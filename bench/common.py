# SPDX-License-Identifier: GPL-3.0-or-later
"""Shared pieces of the benchmark scripts: timing child processes and their peak memory."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "bin")


def ensure_packages(*packages):
    """Installs the peer programs from Debian when missing."""
    missing = [p for p in packages
               if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True,
                                 text=True).stdout.find("ok installed") < 0]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "-qq"] + missing, check=True)


def run_timed(cmd, env=None, cwd=None):
    """Wall seconds and peak RSS (MiB) of one run of cmd.

    GNU time starts the command: a child forked from this Python process would count Python's
    own pages in its peak RSS. For a shell loop the peak is that of the largest single program.
    """
    with tempfile.NamedTemporaryFile(mode="r") as out:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-o", out.name, "-f", "%M"] + cmd, env=env, cwd=cwd,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
        if proc.returncode != 0:
            sys.exit(f"failed: {' '.join(cmd)}\n{proc.stderr.decode(errors='replace')}")
        return elapsed, int(out.read().split()[-1]) / 1024.0


def measure(cmd, runs, env=None, cwd=None, prepare=None):
    """Median time and largest peak RSS over several runs."""
    times, peaks = [], []
    for _ in range(runs):
        if prepare:
            prepare()
        t, rss = run_timed(cmd, env=env, cwd=cwd)
        times.append(t)
        peaks.append(rss)
    return statistics.median(times), max(peaks)


def measure_pair(ours_cmd, peer_cmd, runs, cwd=None, prepare=None):
    """Both commands run in turn, ours then the peer's, so that a slower stretch of a shared
    machine slows both alike; the median time and largest peak RSS of each."""
    times, peaks = ([], []), ([], [])
    for _ in range(runs):
        for i, cmd in enumerate((ours_cmd, peer_cmd)):
            if prepare:
                prepare()
            t, rss = run_timed(cmd, cwd=cwd)
            times[i].append(t)
            peaks[i].append(rss)
    return tuple((statistics.median(times[i]), max(peaks[i])) for i in range(2))


def report(name, ours, peer, goal_time=None, goal_rss=None):
    (t1, r1), (t2, r2) = ours, peer
    line = f"{name}: {t1:.3f} s vs {t2:.3f} s = {t1 / t2:.2f}x time; peak RSS {r1:.1f} vs {r2:.1f} MiB ({r1 - r2:+.1f})"
    if goal_time is not None:
        line += f"  [goal <= {goal_time}x" + (f", <= +{goal_rss} MiB]" if goal_rss is not None else "]")
    print(line)


def shown_once(cmd, env=None, cwd=None):
    """Seconds from exec to the program's first window on screen (the program prints "shown T"
    on the monotonic clock when WAVELATHE_QUIT_WHEN_SHOWN is set), and its peak RSS. Ending the
    process is no part of its start."""
    env = dict(env or os.environ, WAVELATHE_QUIT_WHEN_SHOWN="1")
    with tempfile.NamedTemporaryFile(mode="r") as out:
        start = time.monotonic()
        proc = subprocess.run(["/usr/bin/time", "-o", out.name, "-f", "%M"] + cmd, env=env,
                              cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if proc.returncode != 0 or "shown " not in proc.stdout:
            sys.exit(f"failed: {' '.join(cmd)}\n{proc.stderr}")
        shown = float(proc.stdout.split("shown ")[1].split()[0])
        return shown - start, int(out.read().split()[-1]) / 1024.0


def measure_shown(cmd, runs, env=None, cwd=None):
    """Median seconds to the first window on screen and the largest peak RSS."""
    results = [shown_once(cmd, env, cwd) for _ in range(runs)]
    return statistics.median(r[0] for r in results), max(r[1] for r in results)


def measure_shown_together(commands, runs, cwd=None):
    """The same for several (command, environment) pairs run in turn, round after round, so
    that a slower stretch of a shared machine, or a warm cache, favours none of them."""
    results = [[] for _ in commands]
    for _ in range(runs):
        for i, (cmd, env) in enumerate(commands):
            results[i].append(shown_once(cmd, env, cwd))
    return [(statistics.median(r[0] for r in rs), max(r[1] for r in rs)) for rs in results]
