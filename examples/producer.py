#!/usr/bin/env python3
"""A producer in Python: load, memory and disk of this machine as indicator reports.

    examples/producer.py | indicator
    examples/producer.py --count 3 --interval 0 | indicator-check --preview

Every report is one JSON object on one line, flushed at once: a pipe would otherwise
hold reports back in Python's buffer for seconds.
"""
import argparse
import json
import os
import socket
import time

BAR_WIDTH = 10


def bar(fraction):
    filled = max(0, min(BAR_WIDTH, round(fraction * BAR_WIDTH)))
    return "\u2588" * filled + "\u2500" * (BAR_WIDTH - filled)


def tone(fraction):
    """Green while there is room, blue when busy, orange when nearly full."""
    return "strong" if fraction < 0.5 else "good" if fraction < 0.85 else "light"


def size(octets):
    for unit in ("B", "K", "M", "G", "T"):
        if octets < 1024 or unit == "T":
            return f"{octets:.0f}{unit}" if unit == "B" else f"{octets:.1f}{unit}"
        octets /= 1024


def row(label, fraction, detail, hint):
    return {
        "label": f"{label:<8}",          # columns line up in the menu's monospaced font
        "bar": bar(fraction),
        "value": f"{100 * fraction:5.1f}%",  # always a string, never a JSON number
        "detail": detail,
        "tone": tone(fraction),
        "hint": hint,
        "emphasis": fraction >= 0.85,
    }


def load_section():
    cpus = os.cpu_count() or 1
    with open("/proc/loadavg") as file:
        loads = [float(field) for field in file.read().split()[:3]]
    rows = [row(f"{minutes} min", load / cpus, f"{load:.2f} runnable", f"runnable tasks averaged over {minutes} min, on {cpus} processors")
            for minutes, load in zip((1, 5, 15), loads)]
    return {"title": f"Load \u00b7 {socket.gethostname()}", "rows": rows}, loads[0] / cpus


def memory_section():
    info = {}
    with open("/proc/meminfo") as file:
        for line in file:
            key, value = line.split(":", 1)
            info[key] = int(value.split()[0]) * 1024
    total, available = info["MemTotal"], info["MemAvailable"]
    rows = [row("memory", 1 - available / total, f"{size(total - available)} of {size(total)}",
                "memory in use, not counting caches the kernel can drop")]
    if info.get("SwapTotal"):
        swap = info["SwapTotal"]
        rows.append(row("swap", 1 - info["SwapFree"] / swap, f"{size(swap - info['SwapFree'])} of {size(swap)}",
                        "swap in use"))
    return {"title": "Memory", "rows": rows}


def disk_section(paths):
    rows = []
    for path in paths:
        stats = os.statvfs(path)
        total = stats.f_blocks * stats.f_frsize
        free = stats.f_bavail * stats.f_frsize
        if total:
            rows.append(row(path, 1 - free / total, f"{size(free)} free", f"space used on the file system of {path}"))
    return {"title": "Disk", "rows": rows}


def report(paths, console):
    load, busy = load_section()
    line = {"title": f"{100 * busy:.0f}%", "sections": [load, memory_section(), disk_section(paths)]}
    if console:
        line["console"] = console
    return line


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=0, help="reports to write (default: until stopped)")
    parser.add_argument("--interval", type=float, default=5.0, help="seconds between reports")
    parser.add_argument("--console", default="http://127.0.0.1:8180", help="address the console command opens")
    parser.add_argument("paths", nargs="*", default=["/"], help="file systems to report (default: /)")
    arguments = parser.parse_args()
    written = 0
    try:
        while True:
            # Compact separators and ensure_ascii off: one line, the characters as they are.
            print(json.dumps(report(arguments.paths, arguments.console), ensure_ascii=False, separators=(",", ":")),
                  flush=True)
            written += 1
            if arguments.count and written >= arguments.count:
                break
            time.sleep(arguments.interval)
    except (BrokenPipeError, KeyboardInterrupt):
        # The indicator has quit: stop quietly, without a traceback on a closed pipe.
        os.dup2(os.open(os.devnull, os.O_WRONLY), 1)


if __name__ == "__main__":
    main()
