"""The benchmarks themselves, each returning its measurements, so that the single scripts and
`bench/run` report the same numbers."""
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
import urllib.request

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


# The API server under wrk, beside Python standard-library servers over the same SQLite file.
SERVED_PROGRAM = os.path.join(SOURCES, "server.plx")
PYTHON_SERVER = os.path.join(harness.ROOT, "bench", "python_server.py")
ROUTES = [("health", "/api/health"), ("list 100 records", "/api/item"),
          ("flow without AI", "/api/compute")]
# Every request opens a connection of its own, so the load generator's side of the TCP work is
# as large as the server's; two threads of wrk keep it from being the only limit.
THREADS = 2
CONNECTIONS = 16


def wait_for(path, pattern, process):
    """The first match of `pattern` in the file at `path`, once the process has written it."""
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        with open(path, encoding="utf-8") as output:
            found = re.search(pattern, output.read())
        if found:
            return found
        if process.poll() is not None:
            break
        time.sleep(0.05)
    sys.exit(f"{path}: the server did not start")


def start(name, command, folder, pattern):
    """A server started in `folder` with its output in a file; (process, port)."""
    output_path = os.path.join(folder, name + ".out")
    output = open(output_path, "w", encoding="utf-8")
    process = subprocess.Popen(command, cwd=folder, stdout=output, stderr=subprocess.STDOUT)
    return process, int(wait_for(output_path, pattern, process).group(1))


def fill(port, rows):
    """Inserts `rows` items through pellix's own API."""
    for number in range(rows):
        body = json.dumps({"name": f"item {number}", "points": number}).encode()
        request = urllib.request.Request(f"http://127.0.0.1:{port}/api/item", data=body,
                                         method="POST")
        with urllib.request.urlopen(request) as answer:
            assert answer.status == 201


def cpu_seconds(process):
    """The processor time the process has used so far, all its threads together."""
    with open(f"/proc/{process.pid}/stat", encoding="ascii") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def load(process, port, path, seconds):
    """(requests per second, server processor microseconds per request) under wrk."""
    before = cpu_seconds(process)
    result = subprocess.run(["wrk", f"-t{THREADS}", f"-c{CONNECTIONS}", f"-d{seconds}s",
                             f"http://127.0.0.1:{port}{path}"],
                            check=True, capture_output=True, text=True)
    used = cpu_seconds(process) - before
    requests = int(re.search(r"(\d+) requests in", result.stdout).group(1))
    rate = float(re.search(r"Requests/sec:\s+([0-9.]+)", result.stdout).group(1))
    return rate, used * 1e6 / max(requests, 1)


def server(rounds, seconds):
    """{route name: [(server name, median requests per second, median processor microseconds
    per request)]}, pellix first."""
    folder = os.path.join(harness.OUT, "server")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(SERVED_PROGRAM, os.path.join(folder, "app.plx"))
    servers = []
    try:
        pellix = start("pellix", [harness.PELLIX, "serve", "app.plx", "--port", "0"], folder,
                       r"running at http://localhost:(\d+)\n")
        servers.append(("pellix serve", *pellix))
        fill(pellix[1], 100)
        database = os.path.join(folder, ".pellix", "data.db")
        servers.append(("python3 http.server", *start(
            "python", [sys.executable, PYTHON_SERVER, database], folder, r"^(\d+)\n")))
        servers.append(("python3 threads", *start(
            "python-threads", [sys.executable, PYTHON_SERVER, database, "--threads"], folder,
            r"^(\d+)\n")))
        rates = {(route, name): [] for route, _ in ROUTES for name, _, _ in servers}
        for _ in range(rounds):
            for route, path in ROUTES:
                for name, process, port in servers:
                    rates[(route, name)].append(load(process, port, path, seconds))
    finally:
        for _, process, _ in servers:
            process.kill()
            process.wait()
    def medians(samples):
        return (statistics.median(rate for rate, _ in samples),
                statistics.median(cost for _, cost in samples))
    return {route: [(name, *medians(rates[(route, name)])) for name, _, _ in servers]
            for route, _ in ROUTES}
