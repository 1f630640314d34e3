"""Shared pieces of the benchmark scripts: building pellix, installing the peers, generating
the large programs, and timing whole processes side by side."""
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "bench", "out")
PELLIX = os.path.join(ROOT, "build", "pellix")


def prepare():
    """Builds the optimised pellix and installs the peers when missing."""
    subprocess.run([os.path.join(ROOT, "scripts", "bootstrap"), "bench"], check=True)
    subprocess.run([os.path.join(ROOT, "scripts", "build")], check=True,
                   stdout=subprocess.DEVNULL)
    os.makedirs(OUT, exist_ok=True)


def large_program(language, megabytes=10):
    """The path of a generated program of about `megabytes` MB, made once."""
    path = os.path.join(OUT, f"large-{megabytes}mb.{language}")
    if not os.path.exists(path):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "generate_program.py"), path,
                        "--language", language, "--megabytes", str(megabytes)], check=True)
    return path


def seconds(command):
    """The wall time of one run of `command`, output discarded."""
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def side_by_side(commands, runs):
    """(name, median seconds) for each (name, command), over `runs` rounds in which every
    command runs once in turn, so that a change in the machine's load touches all alike."""
    times = {name: [] for name, _ in commands}
    for _ in range(runs):
        for name, command in commands:
            times[name].append(seconds(command))
    return [(name, statistics.median(times[name])) for name, _ in commands]


def report(title, rows, size):
    """Prints one line per (name, seconds) row: median, throughput and ratio to the first."""
    print(title)
    base = rows[0][1]
    for name, seconds in rows:
        print(f"  {name:<28} {seconds * 1000:8.0f} ms  {size / 1e6 / seconds:7.1f} MB/s"
              f"  {seconds / base:6.2f}x")
