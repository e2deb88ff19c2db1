#!/usr/bin/env python3
"""Stress and fault tests of build/indicator: long bursts, huge and hostile input,
standard streams that misbehave. Each is bounded in time."""
import os
import random
import subprocess
import sys
import tempfile
import threading
import unittest

BINARY = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "build/indicator")
TIMEOUT = 600
LAUNCH_LINES = 2
# On macOS every report is laid out in the real status bar and menu.
DARWIN = sys.platform == "darwin"
TYPICAL = (
    '{"title":"\u2301 %d%%","tone":"good","console":"http://127.0.0.1:8180","meta":{"n":[1,2.5,null]},'
    '"sections":[{"title":"Running now \u00b7 2 windows","rows":['
    '{"label":"codex     ","bar":"\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500","value":" 22.7%%",'
    '"detail":"\u00b7  91.2K sent","tone":"good","hint":"a \\"quoted\\"\\nhint"},'
    '{"label":"claude    ","bar":"\u00b7\u00b7\u00b7\u00b7\u00b7\u00b7\u00b7\u00b7\u00b7\u00b7","value":"      "}]},'
    '{"title":"Today","rows":[{"label":"all agents","bar":"\u2588\u2588\u2588\u2588\u2500\u2500\u2500\u2500\u2500\u2500",'
    '"value":" 36.7%%","emphasis":true}]}]}\n'
)


def feed(process, chunks):
    """Writes the chunks to the process's stdin from another thread, then closes it."""
    def write():
        try:
            for chunk in chunks:
                process.stdin.write(chunk)
        except BrokenPipeError:
            pass
        finally:
            process.stdin.close()
    writer = threading.Thread(target=write)
    writer.start()
    return writer


class Bursts(unittest.TestCase):
    def test_a_million_reports_each_rendered_in_order(self):
        count = 100_000 if DARWIN else 1_000_000
        batch = 10_000
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        writer = feed(process, (
            "".join(TYPICAL % i for i in range(start, start + batch)).encode()
            for start in range(0, count, batch)))
        expected = 0
        for number, line in enumerate(process.stderr):
            if number < LAUNCH_LINES:
                continue
            prefix = ("indicator: title=\u2301 %d%% " % expected).encode()
            self.assertTrue(line.startswith(prefix), (expected, line[:80]))
            expected += 1
        writer.join()
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)
        self.assertEqual(process.stdout.read(), b"")
        self.assertEqual(expected, count)


def run(stdin, **kwargs):
    with tempfile.TemporaryFile() as source:
        source.write(stdin)
        source.seek(0)
        result = subprocess.run([BINARY], stdin=source, capture_output=True, timeout=TIMEOUT, **kwargs)
    return result.returncode, result.stdout, result.stderr.split(b"\n")[LAUNCH_LINES:-1]


class HostileInput(unittest.TestCase):
    @unittest.skipIf(DARWIN, "a real status bar would lay out a title of 256 MiB")
    def test_one_line_of_256_mib_then_a_small_report(self):
        title = b"x" * (256 << 20)
        status, out, lines = run(b'{"title":"' + title + b'"}\n{"title":"small"}\n')
        self.assertEqual((status, out, len(lines)), (0, b"", 2))
        self.assertTrue(lines[0].startswith(b"indicator: title=" + title + b" width="))
        self.assertRegex(lines[1], rb"^indicator: title=small width=\d+\.\d+ sections=0$")

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
        self.assertRegex(lines[-1], rb"^indicator: title=after width=\d+\.\d+ sections=0\n$")
        self.assertLess(peak_mib, 2560)  # the kept part, and the copy made as it grows
        # indicator-check says why the line went.
        check = subprocess.Popen([os.path.join(os.path.dirname(BINARY), "indicator-check")], stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE)
        writer = feed(check, [chunk] * ((1 << 10) + 1) + [b"\n{}"])
        out = check.stdout.read()
        writer.join()
        check.stdout.close()
        self.assertEqual(check.wait(timeout=TIMEOUT), 1)
        self.assertEqual(out.decode().splitlines(), [
            "1: rejected  longer than 1073741824 bytes (1 GiB); the rest of it was skipped",
            "2: ok  no title (shows \u2026), no sections"])

    def test_junk_renders_nothing_and_ends_cleanly(self):
        noise = random.Random(20261206)
        cases = {
            "random bytes": bytes(noise.getrandbits(8) for _ in range(4 << 20)),
            "random json-ish": "".join(noise.choice('{}[]":,\\ \r\n0e.-tfnul"title""sections"')
                                       for _ in range(4 << 20)).encode(),
            "empty lines": b"\n" * (8 << 20),
            "only carriage returns": b"\r" * (1 << 20) + b"\n" + b"\r\n" * (1 << 20),
            "nul bytes": b"\x00" * (1 << 20) + b"\n\x00\n",
        }
        for name, stdin in cases.items():
            with self.subTest(name):
                status, out, lines = run(stdin)
                self.assertEqual((status, out), (0, b""))
                # Random input may hold a report by chance; whatever it rendered is well formed.
                for line in lines:
                    self.assertTrue(line.startswith(b"indicator: title="), line[:80])

    def test_good_report_survives_the_junk_after_it(self):
        status, _, lines = run(b'{"title":"kept"}\n' + b"\x00\xff{\r\n" * 100000 + b"[]\n{} {}\n")
        self.assertEqual((status, len(lines)), (0, 1))
        self.assertRegex(lines[0], rb"^indicator: title=kept width=\d+\.\d+ sections=0$")


class Streams(unittest.TestCase):
    def test_standard_error_read_only_after_the_whole_burst(self):
        count = 200_000
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # Written in full before anything is read: the log waits, it does not drop.
        process.stdin.write(b"".join(b'{"title":"%d"}\n' % i for i in range(count)))
        process.stdin.close()
        lines = process.stderr.read().split(b"\n")[LAUNCH_LINES:-1]
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)
        self.assertEqual(len(lines), count)
        self.assertTrue(lines[-1].startswith(b"indicator: title=%d " % (count - 1)))

    def test_standard_error_nobody_reads(self):
        read_end, write_end = os.pipe()
        try:
            process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=write_end)
            os.close(write_end)
            # Far more log than a pipe holds: the indicator keeps reading and rendering.
            out, _ = process.communicate(b"".join(b'{"title":"%d"}\n' % i for i in range(200_000)), timeout=TIMEOUT)
            self.assertEqual((process.returncode, out), (0, b""))
            logged = os.read(read_end, 1 << 20)
            self.assertTrue(logged.endswith(b"\n"))
            for line in logged.split(b"\n")[LAUNCH_LINES:-1]:
                self.assertRegex(line, rb"^indicator: title=\d+ width=\d+\.\d+ sections=0$")
        finally:
            os.close(read_end)


if __name__ == "__main__":
    unittest.main(verbosity=2)
