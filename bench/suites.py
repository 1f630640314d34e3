"""The benchmarks themselves, each returning its measurements, so that the single scripts and
`bench/run` report the same numbers."""
import os
import subprocess
import sys

import harness

PROGRAMS = ["loop_sum", "calls", "strings"]
SOURCES = os.path.join(harness.ROOT, "bench", "programs")


def tokens(runs):
    """(size in bytes, rows) for `pellix tokens` on the generated ~10 MB program."""
    program = harness.large_program("plx")
    rows = harness.side_by_side([("pellix tokens", [harness.PELLIX, "tokens", program])], runs)
    return os.path.getsize(program), rows


def parse(runs):
    """(size in bytes, rows) for `pellix parse` beside `luac5.4 -p` and Python's compile() on
    programs of the same size and shape."""
    plx = harness.large_program("plx")
    lua = harness.large_program("lua")
    python = harness.large_program("python")
    compile_file = ("import sys; compile(open(sys.argv[1], encoding='utf-8').read(), "
                    "sys.argv[1], 'exec')")
    rows = harness.side_by_side([
        ("pellix parse", [harness.PELLIX, "parse", plx]),
        ("luac5.4 -p", ["luac5.4", "-p", lua]),
        ("python3 compile()", [sys.executable, "-c", compile_file, python]),
    ], runs)
    return os.path.getsize(plx), rows


def runtime_commands(program):
    """The three runs of one program of bench/programs: pellix, Python, Lua."""
    return [
        ("pellix run", [harness.PELLIX, "run", os.path.join(SOURCES, program + ".plx"), "main"]),
        ("python3", [sys.executable, os.path.join(SOURCES, program + ".py")]),
        ("lua5.4", ["lua5.4", os.path.join(SOURCES, program + ".lua")]),
    ]


def runtime(program, runs):
    """Rows for one program of bench/programs, run by pellix, Python and Lua in turn."""
    return harness.side_by_side(runtime_commands(program), runs)


def peak_kilobytes(command):
    """The peak resident memory of one run of `command`, in KB."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, check=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def peak_memory(program):
    """(name, peak KB) for each of the three runs of `program`."""
    return [(name, peak_kilobytes(command)) for name, command in runtime_commands(program)]
