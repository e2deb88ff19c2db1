#!/usr/bin/python3
"""What a stream of reports costs on a real host: the indicator's CPU and xfce4-panel's (with
its plugins' processes), as % of one core, at 10 reports a second in three shapes in turn
(2x4, 6x12 and 3x8 rows; every title new), with the host's menu closed and then open.
Runs on Xvfb with xfce4-panel's tray on a private session bus (Debian's python3).

usage: bench/host_cpu.py INDICATOR [ARTIFACTS]   (prints one JSON object)"""
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from harness import DesktopSession  # noqa: E402

INDICATOR = os.path.abspath(sys.argv[1])
ARTIFACTS = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="host-cpu-")
SHAPES = [(2, 4), (6, 12), (3, 8)]
RATE = 10
SECONDS = int(os.environ.get("SECONDS_EACH", 20))


def report(number):
    sections, rows = SHAPES[number % len(SHAPES)]
    return {"title": f"{number % 100}%", "console": "https://example.org/console", "sections": [
        {"title": f"Section {s}", "rows": [
            {"label": f"row {r}", "bar": "\u2588" * (r % 10) + "\u2500" * (10 - r % 10),
             "value": f"{(number * 7 + r) % 100}%", "detail": "detail", "tone": "good"} for r in range(rows)]}
        for s in range(sections)]}


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except FileNotFoundError:
            continue
        total += int(fields[11]) + int(fields[12])
    return total / os.sysconf("SC_CLK_TCK")


def descendants(pid):
    """The process and every process under it (xfce4-panel runs some plugins in wrappers)."""
    found, children = [pid], {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    children.setdefault(int(stat.read().rsplit(")", 1)[1].split()[1]), []).append(int(entry))
            except FileNotFoundError:
                pass
    for parent in found:
        found.extend(children.get(parent, []))
    return found


def stream(indicator, first):
    """Sends RATE reports a second for SECONDS, on a steady clock; the reports' numbers go on from first."""
    started = time.monotonic()
    for n in range(RATE * SECONDS):
        time.sleep(max(0.0, started + n / RATE - time.monotonic()))
        indicator.stdin.write(json.dumps(report(first + n)).encode() + b"\n")
        indicator.stdin.flush()
    return first + RATE * SECONDS


def main():
    session = DesktopSession(ARTIFACTS)
    try:
        session.panel()
        panel = next(p for p in session.processes if p.args[0] == "xfce4-panel")
        indicator = session.spawn([INDICATOR], stdin=subprocess.PIPE)
        indicator.stdin.write(json.dumps(report(0)).encode() + b"\n")
        indicator.stdin.flush()
        time.sleep(4)  # the item registered with the panel's tray, and its first menu fetched
        results, number = {}, 1
        for state in ("closed", "open"):
            if state == "open":
                session.xdotool("mousemove", "15", "15", "click", "1")
                session.screenshot("open.png")
            hosts = descendants(panel.pid)
            before = (cpu_seconds([indicator.pid]), cpu_seconds(hosts), time.monotonic())
            number = stream(indicator, number)
            elapsed = time.monotonic() - before[2]
            results[state] = {
                "indicator_percent": 100 * (cpu_seconds([indicator.pid]) - before[0]) / elapsed,
                "panel_percent": 100 * (cpu_seconds(hosts) - before[1]) / elapsed,
            }
        session.screenshot("after.png")
        indicator.stdin.close()
        indicator.wait(timeout=30)
        print(json.dumps(results))
    finally:
        session.close()


if __name__ == "__main__":
    main()
