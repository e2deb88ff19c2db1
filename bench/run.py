#!/usr/bin/env python3
"""Runs every benchmark and prints one table of ratios against baselines measured in the
same run (these machines are noisy, so absolute times alone say little).

usage: bench/run.py BUILD_DIR   (a Release build with -DINDICATOR_BENCH=ON)
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-bench")
INDICATOR = os.path.join(BUILD, "indicator")
CHECK = os.path.join(BUILD, "indicator-check")
TOOLS = os.path.join(BUILD, "bench")
# The headless indicator is what is measured, even when run from a desktop session.
for variable in ("DISPLAY", "WAYLAND_DISPLAY"):
    os.environ.pop(variable, None)
TYPICAL_COUNT = 200_000
ROUNDS = 3
rows = []


def row(what, measured, baseline, ratio, goal, met):
    rows.append((what, measured, baseline, ratio, goal, "yes" if met else "NO"))


def best_seconds(command, stdin_path=None, rounds=ROUNDS):
    """The fastest of a few runs of a shell command, in seconds."""
    best = float("inf")
    for _ in range(rounds):
        with open(stdin_path or os.devnull, "rb") as stdin:
            started = time.perf_counter()
            subprocess.run(command, shell=True, stdin=stdin, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True)
            best = min(best, time.perf_counter() - started)
    return best


def google_benchmarks():
    result = subprocess.run([os.path.join(TOOLS, "decode_bench"), "--benchmark_format=json",
                             "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
                             "--benchmark_min_time=0.2"], capture_output=True, text=True, check=True)
    medians = {b["run_name"]: b for b in json.loads(result.stdout)["benchmarks"] if b["aggregate_name"] == "median"}
    ns = lambda name: medians[name]["real_time"]
    rate = lambda name: medians[name]["bytes_per_second"] / 1e6

    decode, baseline = ns("decodeLine/typical"), ns("simdjsonParseAndExtract/typical")
    row("decodeReport, typical line", "%.0f ns" % decode, "simdjson DOM parse+extract %.0f ns" % baseline,
        "%.2fx" % (decode / baseline), "<= 1.25x", decode / baseline <= 1.25)
    large, parse = rate("decodeLine/large"), rate("simdjsonParseOnly/large")
    row("decodeReport, 1 MB line", "%.0f MB/s" % large, "simdjson DOM parse only %.0f MB/s" % parse,
        "%.2fx" % (large / parse), ">= 300 MB/s and >= 0.25x", large >= 300 and large / parse >= 0.25)
    render = ns("renderReport")
    row("render, typical report", "%.0f ns" % render, "decodeReport %.0f ns" % decode,
        "%.2fx" % (render / decode), "< 1x", render < decode)


def pipelines(directory):
    typical = os.path.join(directory, "typical.jsonl")
    with open(typical, "wb") as out:
        subprocess.run([os.path.join(TOOLS, "write_lines"), "typical", str(TYPICAL_COUNT)], stdout=out, check=True)
    size_mb = os.path.getsize(typical) / 1e6

    dd = best_seconds("cat | dd of=/dev/null bs=64k", typical)
    frame = best_seconds("cat | %s" % os.path.join(TOOLS, "frame_stdin"), typical)
    row("framing stdin, %d lines (%.0f MB)" % (TYPICAL_COUNT, size_mb), "%.3f s" % frame,
        "cat | dd bs=64k %.3f s" % dd, "%.2fx of its speed" % (dd / frame), ">= 0.85x", dd / frame >= 0.85)

    whole = best_seconds("cat | %s" % INDICATOR, typical)
    standard_error(typical, size_mb)
    jq = best_seconds("jq -c . >/dev/null", typical, rounds=1)
    row("whole indicator, %d lines" % TYPICAL_COUNT, "%.3f s" % whole,
        "jq -c . %.3f s" % jq, "%.1fx faster" % (jq / whole), ">= 15x faster than jq", jq / whole >= 15)
    row("whole indicator, %d lines" % TYPICAL_COUNT, "%.3f s" % whole, "cat | dd bs=64k %.3f s" % dd,
        "%.1fx of its time" % (whole / dd), "<= 12x", whole / dd <= 12)

    tray_refresh()
    host_cpu()
    desktop = desktop_seconds(typical)
    if desktop is not None:
        row("desktop tray (GTK under Xvfb), %d lines" % TYPICAL_COUNT, "%.3f s" % desktop, "headless %.3f s" % whole,
            "%.2fx of its time" % (desktop / whole), "<= 2x", desktop / whole <= 2)

    check = best_seconds("cat | %s" % CHECK, typical)
    row("indicator-check, %d lines" % TYPICAL_COUNT, "%.3f s" % check, "whole indicator %.3f s" % whole,
        "%.2fx of its time" % (check / whole), "<= 1x", check <= whole)

    starts = [best_seconds(INDICATOR, rounds=1) for _ in range(20)]
    trues = [best_seconds("/bin/true", rounds=1) for _ in range(20)]
    start, true = statistics.median(starts), statistics.median(trues)
    row("start to exit, stdin empty", "%.1f ms" % (start * 1e3), "/bin/true %.1f ms" % (true * 1e3),
        "%.1fx" % (start / true), "report", True)


# Where users send standard error, as a shell command reading its standard input (None: /dev/null).
READERS = [
    ("/dev/null", None),
    ("a pipe read by cat", "cat >/dev/null"),
    ("a pipe read by tail -1", "tail -1 >/dev/null"),
    ("a pipe read at about 4 MB/s", "python3 -c 'import sys, time\nwhile sys.stdin.buffer.read1(40000): time.sleep(0.01)'"),
]


def measured_run(program, lines_path, reader=None, rounds=ROUNDS):
    """The best of a few runs of program on the file, its standard error to reader:
    (wall seconds, CPU seconds, peak resident MiB), the last two of the fastest run."""
    best = (float("inf"), 0, 0)
    for _ in range(rounds):
        with open(lines_path, "rb") as stdin:
            consumer = subprocess.Popen(reader, shell=True, stdin=subprocess.PIPE) if reader else None
            started = time.perf_counter()
            process = subprocess.Popen([program], stdin=stdin, stdout=subprocess.DEVNULL,
                                       stderr=consumer.stdin if consumer else subprocess.DEVNULL)
            if consumer:
                consumer.stdin.close()
            _, status, usage = os.wait4(process.pid, 0)
            wall = time.perf_counter() - started
            if consumer:
                consumer.wait()
        if status != 0:
            raise RuntimeError("%s ended with status %d" % (program, status))
        if wall < best[0]:
            best = (wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024)
    return best


class Busy:
    """Every core kept busy by a spinning process, as on a loaded host."""

    def __enter__(self):
        self.spinners = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(os.cpu_count() or 2)]

    def __exit__(self, *_):
        for spinner in self.spinners:
            spinner.kill()
            spinner.wait()


def standard_error(typical, size_mb):
    """The whole indicator with standard error where users have it, against the bare DOM loop."""
    runs = {name: measured_run(INDICATOR, typical, reader) for name, reader in READERS}
    quiet = runs["/dev/null"]
    for name, (wall, cpu, peak) in runs.items():
        row("whole indicator, %d lines (%.0f MB), standard error to %s" % (TYPICAL_COUNT, size_mb, name),
            "%.3f s, peak %.0f MiB" % (wall, peak), "", "", "peak <= 64 MiB", peak <= 64)
    cat = runs["a pipe read by cat"]
    row("whole indicator, standard error read by cat", "%.3f s" % cat[0], "to /dev/null %.3f s" % quiet[0],
        "%.2fx of its time" % (cat[0] / quiet[0]), "<= 1.2x", cat[0] / quiet[0] <= 1.2)
    floor = measured_run(os.path.join(TOOLS, "dom_loop"), typical)
    with Busy():
        busy, busy_floor = measured_run(INDICATOR, typical), measured_run(os.path.join(TOOLS, "dom_loop"), typical)
    for when, (wall, cpu, _), (floor_wall, floor_cpu, _) in [("quiet", quiet, floor), ("busy", busy, busy_floor)]:
        row("whole indicator to /dev/null, %s machine" % when, "%.3f s" % wall,
            "bare simdjson DOM loop, one thread %.3f s" % floor_wall, "%.2fx of its time" % (wall / floor_wall),
            "<= 1.5x", wall / floor_wall <= 1.5)
        row("whole indicator to /dev/null, %s machine, CPU" % when, "%.3f s" % cpu, "DOM loop %.3f s" % floor_cpu,
            "%.2fx of its CPU" % (cpu / floor_cpu), "<= 2x", cpu / floor_cpu <= 2)


def tray_refresh():
    """The tray's latency and refresh rate, on xfce4-panel (bench/tray_refresh.py)."""
    if not (os.path.exists("/usr/bin/python3") and shutil.which("xfce4-panel")):
        return
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tray_refresh.py")
    result = json.loads(subprocess.run(["/usr/bin/python3", script, INDICATOR], capture_output=True, text=True,
                                       check=True, timeout=300, env=dict(os.environ)).stdout)
    row("tray: a line to the panel's change signal, isolated reports", "p50 %.1f ms, p99 %.1f ms" %
        (result["p50_ms"], result["p99_ms"]), "", "", "p99 < 20 ms", result["p99_ms"] < 20)
    row("tray: panel refreshes in a burst of 10,000 reports", "%d in %.2f s" %
        (result["burst_refreshes"], result["burst_seconds"]), "", "%.1f a second" % result["refreshes_per_second"],
        "<= 25 a second", result["refreshes_per_second"] <= 25)


def host_cpu():
    """A stream into a real host's tray, menu closed then open (bench/host_cpu.py): xfce4-panel's,
    and GNOME Shell's where `make test-hosts` has installed it."""
    if not (os.path.exists("/usr/bin/python3") and shutil.which("xfce4-panel")):
        return
    hosts = ["xfce"] + (["gnome-x11"] if shutil.which("gnome-shell") else [])
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "host_cpu.py")
    result = json.loads(subprocess.run(["/usr/bin/python3", script, INDICATOR, *hosts], capture_output=True,
                                       text=True, check=True, timeout=900, env=dict(os.environ)).stdout)
    for host, states in result.items():
        for state, figures in states.items():
            row("%s: 10 reports/s in 3 shapes, host's menu %s" % (host, state),
                "indicator %.1f%%, host %.1f%% of a core" % (figures["indicator_percent"], figures["host_percent"]),
                "", "", "indicator <= 4% open", state != "open" or figures["indicator_percent"] <= 4)


def desktop_seconds(lines_path):
    """The same file through the GTK platform, on an X server of its own (Xvfb), with no
    session bus: the tray is an XEmbed icon, and every report is measured with Pango."""
    if not shutil.which("Xvfb"):
        return None
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                              pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as displayfd:
        display = ":" + displayfd.readline().strip()
    try:
        env = "env DISPLAY=%s DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent NO_AT_BRIDGE=1" % display
        return best_seconds("cat | %s %s" % (env, INDICATOR), lines_path)
    finally:
        server.terminate()
        server.wait()


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class LineCounter(threading.Thread):
    """Reads the indicator's stderr as it comes, as a producer should, counting lines."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream, self.count, self.changed = stream, 0, threading.Condition()
        self.start()

    def run(self):
        for _ in self.stream:
            with self.changed:
                self.count += 1
                self.changed.notify_all()

    def wait_for(self, count, timeout=600):
        with self.changed:
            if not self.changed.wait_for(lambda: self.count >= count, timeout):
                raise RuntimeError("the indicator wrote %d of %d lines" % (self.count, count))


def settled_kib(pid, seconds=10):
    """Resident memory once the indicator has had time to give idle memory back."""
    lowest = resident_kib(pid)
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        time.sleep(0.5)
        lowest = min(lowest, resident_kib(pid))
    return lowest


def memory(directory):
    big = os.path.join(directory, "big.jsonl")
    with open(big, "wb") as out:
        out.write(b'{"title":"' + b"x" * (256 << 20) + b'"}\n')

    def session(feed, lines_expected):
        process = subprocess.Popen([INDICATOR], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        lines = LineCounter(process.stderr)
        lines.wait_for(2)
        feed(process.stdin)
        process.stdin.flush()
        lines.wait_for(2 + lines_expected)
        kib = settled_kib(process.pid)
        process.stdin.close()
        process.wait()
        return kib

    idle = session(lambda stdin: None, 0)
    row("resident memory, idle", "%.1f MiB" % (idle / 1024), "", "", "<= 6 MiB", idle <= 6 * 1024)

    def big_then_small(stdin):
        with open(big, "rb") as source:
            while chunk := source.read(1 << 20):
                stdin.write(chunk)
        stdin.write(b'{"title":"small"}\n')
    after_big = session(big_then_small, 2)
    row("resident memory, 256 MiB line then a small report", "%.1f MiB" % (after_big / 1024),
        "idle %.1f MiB" % (idle / 1024), "%.2fx idle" % (after_big / idle), "<= 2x idle", after_big <= 2 * idle)

    def reports(count):
        def feed(stdin):
            for start in range(0, count, 10_000):
                stdin.write(b"".join(b'{"title":"%d","sections":[{"title":"s","rows":[{"label":"l","bar":"b",'
                                     b'"value":"v","hint":"%d"}]}]}\n' % (i, i) for i in range(start, start + 10_000)))
        return feed
    after_100k = session(reports(100_000), 100_000)
    after_1m = session(reports(1_000_000), 1_000_000)
    row("resident memory after 1,000,000 reports", "%.1f MiB" % (after_1m / 1024),
        "after 100,000: %.1f MiB" % (after_100k / 1024), "%.2fx" % (after_1m / after_100k),
        "no growth (<= 1.1x)", after_1m <= 1.1 * after_100k)
    row("resident memory after 1,000,000 reports", "%.1f MiB" % (after_1m / 1024), "idle %.1f MiB" % (idle / 1024),
        "%.2fx idle" % (after_1m / idle), "report", True)


def main():
    with tempfile.TemporaryDirectory() as directory:
        google_benchmarks()
        pipelines(directory)
        memory(directory)
    widths = [max(len(str(r[i])) for r in rows + [("what", "measured", "baseline", "ratio", "goal", "met")])
              for i in range(6)]
    def line(cells):
        return "| " + " | ".join(str(c).ljust(w) for c, w in zip(cells, widths)) + " |"
    print(line(("what", "measured", "baseline", "ratio", "goal", "met")))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


if __name__ == "__main__":
    main()
