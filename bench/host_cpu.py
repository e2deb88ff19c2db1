#!/usr/bin/python3
"""What a stream of reports costs on a real host: the indicator's CPU and the host's own
process's, as % of one core, at 10 reports a second in three shapes in turn (2x4, 6x12 and
3x8 rows; every title new), with the host's menu closed and then open. Each host runs on an
Xvfb of its own, started as the desktop test starts it (Debian's python3).

usage: bench/host_cpu.py INDICATOR [HOST ...]   (xfce by default, or any of the desktop
test's hosts: gnome-x11, plasma, ...; prints one JSON object: host -> menu state -> figures)"""
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
INDICATOR = os.path.abspath(sys.argv[1])
CHOSEN = sys.argv[2:] or ["xfce"]
sys.argv[1:] = [INDICATOR, tempfile.mkdtemp(prefix="host-cpu-")]  # what the desktop test takes
import desktop_test  # noqa: E402
from harness import DesktopSession, wait_for  # noqa: E402

SHAPES = [(2, 4), (6, 12), (3, 8)]
RATE = 10
SECONDS = int(os.environ.get("SECONDS_EACH", 20))
# The host's process that draws the item and its menu.
HOST_PROCESS = {"xfce": "xfce4-panel", "plasma": "plasmashell", "plasma-wayland": "plasmashell",
                "gnome-x11": "gnome-shell", "gnome-wayland": "gnome-shell"}


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


def send(indicator, number):
    indicator.stdin.write(json.dumps(report(number)).encode() + b"\n")
    indicator.stdin.flush()


def measure(host):
    session = DesktopSession(os.path.join(desktop_test.ARTIFACTS, host))
    try:
        start, panel_band, _ = desktop_test.HOSTS[host]
        env = start(session)
        drawer = next(p for p in session.processes if os.path.basename(p.args[0]) == HOST_PROCESS[host])
        indicator = session.spawn([INDICATOR], env=env or session.env, stdin=subprocess.PIPE)
        send(indicator, 50)
        # The item is clicked where its title reads back from the panel.
        title = lambda: [at for word, at, *_ in desktop_test.words(session.screenshot("panel.png"), panel_band)
                         if word.endswith("50%")]
        where = wait_for(title, timeout=60, what="the title on the panel")[0]
        results, number = {}, 1
        for state in ("closed", "open"):
            if state == "open":
                session.xdotool("mousemove", str(round(where[0])), str(round(where[1])), "click", "1")
            hosts = descendants(drawer.pid)
            before = (cpu_seconds([indicator.pid]), cpu_seconds(hosts), time.monotonic())
            started = time.monotonic()
            for n in range(RATE * SECONDS):  # on a steady clock
                time.sleep(max(0.0, started + n / RATE - time.monotonic()))
                send(indicator, number + n)
            number += RATE * SECONDS
            elapsed = time.monotonic() - before[2]
            results[state] = {"indicator_percent": 100 * (cpu_seconds([indicator.pid]) - before[0]) / elapsed,
                              "host_percent": 100 * (cpu_seconds(hosts) - before[1]) / elapsed}
        session.screenshot("open.png")
        indicator.stdin.close()
        indicator.wait(timeout=30)
        return results
    finally:
        session.close()


if __name__ == "__main__":
    print(json.dumps({host: measure(host) for host in CHOSEN}))
