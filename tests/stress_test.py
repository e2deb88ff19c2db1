#!/usr/bin/env python3
"""The indicator under load: lines of 256 MiB and past 1 GiB, standard error read only
after a burst or never. Each is bounded in time."""
import os
import socket
import subprocess
import sys
import unittest

from harness import TIMEOUT, feed, program, run

BINARY = os.path.abspath(program())
CHECK = os.path.join(os.path.dirname(BINARY), "indicator-check")
LAUNCH_LINES = 2
DARWIN = sys.platform == "darwin"
TITLE_LINE = rb"^indicator: title=%s width=\d+\.\d+ sections=0$"


def burst(count):
    return b"".join(b'{"title":"%d"}\n' % i for i in range(count))


class HugeLines(unittest.TestCase):
    @unittest.skipIf(DARWIN, "a real status bar would lay out a title of 256 MiB")
    def test_one_line_of_256_mib_then_a_small_report(self):
        title = b"x" * (256 << 20)
        status, out, err = run([BINARY], b'{"title":"' + title + b'"}\n{"title":"small"}\n')
        lines = err.split(b"\n")[LAUNCH_LINES:-1]
        self.assertEqual((status, out, len(lines)), (0, b"", 2))
        self.assertTrue(lines[0].startswith(b"indicator: title=" + title + b" width="))
        self.assertRegex(lines[1], TITLE_LINE % b"small")

    @unittest.skipIf(DARWIN, "peak memory is read from /proc")
    def test_a_line_past_1_gib_is_skipped_in_bounded_memory(self):
        # The line is read to its line feed but never kept whole; the report after it is shown.
        chunk = b"x" * (1 << 20)
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for piece in [b'{"title":"'] + [chunk] * ((1 << 10) + 64) + [b'"}\n{"title":"after"}\n']:
            process.stdin.write(piece)
        process.stdin.flush()
        lines = [process.stderr.readline() for _ in range(LAUNCH_LINES + 1)]
        with open("/proc/%d/status" % process.pid) as status:  # still running: its input is open
            peak_mib = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:")) / 1024
        process.stdin.close()
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)
        process.stderr.close()
        self.assertRegex(lines[-1].rstrip(b"\n"), TITLE_LINE % b"after")
        self.assertLess(peak_mib, 2560)  # the kept part, and the copy made as it grows
        # indicator-check says why the line went.
        check = subprocess.Popen([CHECK], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        writer = feed(check, [chunk] * ((1 << 10) + 1) + [b"\n{}"])
        out = check.stdout.read()
        writer.join()
        check.stdout.close()
        self.assertEqual(check.wait(timeout=TIMEOUT), 1)
        self.assertEqual(out.decode().splitlines(), [
            "1: rejected  longer than 1073741824 bytes (1 GiB); the rest of it was skipped",
            "2: ok  no title (shows \u2026), no sections"])


class StandardError(unittest.TestCase):
    def test_read_only_after_the_whole_burst(self):
        # A producer that writes everything before it reads: the log waits, it does not drop.
        count = 200_000
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        process.stdin.write(burst(count))
        process.stdin.close()
        lines = process.stderr.read().split(b"\n")[LAUNCH_LINES:-1]
        process.stderr.close()
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)
        self.assertEqual(len(lines), count)
        self.assertRegex(lines[-1], TITLE_LINE % b"%d" % (count - 1))

    def test_nobody_reads(self):
        # Far more log than a pipe or a socket holds: the indicator keeps reading and
        # rendering, and what reaches the reader is whole lines.
        for kind in ["pipe", "socket"]:
            with self.subTest(kind):
                if kind == "pipe":
                    reader, writer = os.pipe()
                else:
                    ends = socket.socketpair()
                    reader, writer = ends[0].detach(), ends[1].detach()
                try:
                    process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=writer)
                    os.close(writer)
                    out, _ = process.communicate(burst(200_000), timeout=TIMEOUT)
                    self.assertEqual((process.returncode, out), (0, b""))
                    logged = os.read(reader, 1 << 20)
                    self.assertTrue(logged.endswith(b"\n"))
                    for line in logged.split(b"\n")[LAUNCH_LINES:-1]:
                        self.assertRegex(line, TITLE_LINE % rb"\d+")
                finally:
                    os.close(reader)

if __name__ == "__main__":
    unittest.main(verbosity=2)
