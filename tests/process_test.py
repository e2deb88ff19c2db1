#!/usr/bin/env python3
"""Runs build/indicator as a producer would: arguments, pipes, bytes on stderr, exit status;
and under load (HugeLines, StandardError, `ctest -L stress`): lines of 256 MiB and past
1 GiB, standard error read only after a burst or never. Every wait is bounded."""
import fcntl
import os
import pty
import select
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

from harness import TIMEOUT as LONG, memory_mib, program, run, sanitized, wait_for

BINARY = os.path.abspath(program())
CHECK = os.path.join(os.path.dirname(BINARY), "indicator-check")
VERSION = subprocess.run([CHECK, "--version"], capture_output=True, text=True).stdout.split()[-1]  # both programs'
LAUNCH_LINES = 2
TITLE_LINE = rb"^indicator: title=%s width=\d+\.\d+ sections=0$"
TIMEOUT = 20
# On macOS the status bar is real: widths are AppKit's, and the self-test's menu stays
# open until a person closes it.
DARWIN = sys.platform == "darwin"
needs_unattended_menu = unittest.skipIf(DARWIN, "the self-test menu waits for a person on macOS")


def widths(text):
    return re.sub(r"width=\d+\.\d+", "width=W", text) if DARWIN else text

EMPTY_LAUNCH = "indicator: status item created\nindicator: title=\u2026 width=17.5 sections=0\n"
SELFTEST = EMPTY_LAUNCH + (
    "indicator: title=\u2301 23% width=47.5 sections=2\n"
    "indicator: selftest opening menu\n"
    "indicator: selftest menu closed\n"
)


def run_indicator(args=(), stdin=b"", argv0=None, **kwargs):
    """Runs the indicator: (exit status, stdout bytes, stderr as strict UTF-8 text)."""
    status, out, err = run([argv0 or BINARY, *args], stdin, TIMEOUT, executable=BINARY, **kwargs)
    return status, out, widths(err.decode())


class Arguments(unittest.TestCase):
    @needs_unattended_menu
    def test_selftest_anywhere_in_the_argument_list(self):
        cases = {
            "second": dict(args=["--selftest"]),
            "later and repeated": dict(args=["x", "-v", "--selftest", "--selftest"]),
            "program name": dict(argv0="--selftest"),
        }
        for name, case in cases.items():
            with self.subTest(name):
                started = time.monotonic()
                self.assertEqual(run_indicator(**case), (0, b"", SELFTEST))
                self.assertGreaterEqual(time.monotonic() - started, 0.5)

    def test_look_alikes_run_the_reader(self):
        for argument in ["--SELFTEST", "-selftest", "--selftest=1", "--selftest ", "selftest", "—selftest", ""]:
            with self.subTest(argument):
                self.assertEqual(run_indicator(args=[argument], stdin=b'{"title":"r"}\n'),
                                 (0, b"", widths(EMPTY_LAUNCH + "indicator: title=r width=17.5 sections=0\n")))


class Reports(unittest.TestCase):
    def test_lines_in_log_lines_out(self):
        cases = [
            ("crlf and last line without lf", b'{"title":"a","sections":[{"title":"s","rows":[]}]}\r\n{"title":"b"}',
             ["title=a width=17.5 sections=1", "title=b width=17.5 sections=0"]),
            ("bad lines skipped", b'\n   \nnope\n{"title":1}\n{} {}\n{"title":\n"x"}\n\r\n\xff\n{"title":"ok"}\n',
             ["title=ok width=25.0 sections=0"]),
            ("ill-formed utf-8 inside a string", b'{"title":"a\xffb"}\n', ["title=a\ufffdb width=32.5 sections=0"]),
            # A title's control characters reach the log as visible symbols and escapes.
            ("terminal escapes", b'{"title":"a\\nb\\u001b[31m\\u0085"}\n', ["title=a\u240ab\u241b[31m\\u0085 width=77.5 sections=0"]),
            ("bidirectional controls", b'{"title":"a\\u202eb\\u2069\xe2\x80\xaf"}\n',
             ["title=a\\u202Eb\\u2069\u202f width=47.5 sections=0"]),
            ("nul bytes", b'\x00\n{"title":"\x00"}\n{"title":"\\u0000"}\n', ["title=\u2400 width=17.5 sections=0"]),
        ]
        for name, stdin, messages in cases:
            with self.subTest(name):
                self.assertEqual(run_indicator(stdin=stdin),
                                 (0, b"", widths(EMPTY_LAUNCH + "".join("indicator: %s\n" % m for m in messages))))


    @unittest.skipIf(DARWIN or sanitized(BINARY), "resident memory: from /proc, and not a sanitizer's")
    def test_memory_a_long_line_grew_is_given_back(self):
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        process.stdin.write(b'{"title":"' + b"x" * (64 << 20) + b'"}\n{"title":"small"}\n'), process.stdin.flush()
        [process.stderr.readline() for _ in range(LAUNCH_LINES + 2)]
        wait_for(lambda: memory_mib(process.pid) < 32, TIMEOUT, "resident memory back under 32 MiB")
        process.stdin.close(), process.stderr.close()
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)

    def test_two_indicators_on_one_pipe_write_whole_lines(self):
        reader, writer = os.pipe()
        processes = [subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=writer)
                     for _ in range(2)]
        os.close(writer)
        feeds = [threading.Thread(target=lambda p=p: (p.stdin.write(burst(20_000)), p.stdin.close())) for p in processes]
        [feed.start() for feed in feeds]
        with os.fdopen(reader, "rb") as logged:
            lines = logged.read().splitlines()
        self.assertEqual([p.wait(timeout=TIMEOUT) for p in processes], [0, 0])
        self.assertEqual(len(lines), 2 * (LAUNCH_LINES + 20_000))
        whole = re.compile(rb"indicator: (status item created|title=(\xe2\x80\xa6|\d+) width=\d+\.\d+ sections=0)")
        self.assertEqual([line for line in lines if not whole.fullmatch(line)], [])


def unread_standard_error():
    """In the child: standard error a pipe whose reader is gone."""
    reader, writer = os.pipe()
    os.close(reader), os.dup2(writer, 2)


class Streams(unittest.TestCase):
    def test_unusual_standard_streams(self):
        # Standard input that cannot be read ends like end of input; standard error that
        # cannot be written changes nothing else, over many reports.
        reports = b'{"title":"a"}\n' * 1000
        cases = {
            "stdin closed": (dict(stdin=None, preexec_fn=lambda: os.close(0)), EMPTY_LAUNCH),
            "stdin dev null": (dict(stdin=None), EMPTY_LAUNCH),
            "stdin a directory": (dict(stdin=None, preexec_fn=lambda: os.dup2(os.open("/", os.O_RDONLY), 0)),
                                  EMPTY_LAUNCH + "indicator: standard input can no longer be read (Is a directory); "
                                                 "it is taken as ended\n"),
            "stderr closed": (dict(stdin=reports, preexec_fn=lambda: os.close(2)), ""),
            "stderr's reader gone": (dict(stdin=reports, preexec_fn=unread_standard_error), ""),
        }
        for name, (case, err) in cases.items():
            with self.subTest(name):
                self.assertEqual(run_indicator(**case), (0, b"", widths(err)))

    def test_a_terminal_is_told_what_to_type_and_its_hang_up_ends_it(self):
        main, terminal = pty.openpty()
        process = subprocess.Popen([BINARY], stdin=terminal, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        os.close(terminal)
        err = b""  # the terminal stays until the hint is there: a hung-up one is no terminal
        while b"them)\n" not in err and select.select([process.stderr], [], [], TIMEOUT)[0]:
            err += os.read(process.stderr.fileno(), 4096)
        os.close(main)
        out, rest = process.communicate(timeout=TIMEOUT)
        self.assertEqual((process.returncode, out, widths((err + rest).decode()).splitlines()), (0, b"", [
            *EMPTY_LAUNCH.splitlines(), "indicator: version %s; reads reports from standard input, one JSON object "
            "per line (indicator-check --help and man indicator explain them)" % VERSION]))


class Ending(unittest.TestCase):
    def test_a_signal_ends_it_by_that_signal_once_its_owed_lines_are_written(self):
        # Also while standard error is full and nobody reads it (a paused terminal, say): a
        # reader that comes back then takes every line owed, the last report's too.
        for number, full in [(s, full) for s in [signal.SIGINT, signal.SIGTERM, signal.SIGHUP] for full in [0, 1]]:
            with self.subTest(number.name, full=full):
                reader, writer = os.pipe()
                process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=writer)
                os.close(writer)
                if full:
                    process.stdin.write(burst(20_000)), process.stdin.flush()
                    # 16 KiB: all a pipe of macOS holds while written in pieces of PIPE_BUF.
                    wait_for(lambda: unread(reader) >= 16_000 and asleep(process.pid), TIMEOUT,
                             "every report shown, and a full standard error pipe")
                else:
                    os.read(reader, 1)  # launched, its input still open
                process.send_signal(number)
                logged = b"".join(iter(lambda: os.read(reader, 1 << 16), b""))
                self.assertEqual(process.wait(timeout=TIMEOUT), -number)
                if full and not DARWIN:
                    self.assertRegex(logged.splitlines()[-1], TITLE_LINE % b"19999")
                process.stdin.close(), os.close(reader)

    @unittest.skipIf(DARWIN, "the desktop tray is Linux's")
    def test_a_named_display_without_the_desktop_module_is_said_once(self):
        # (With the module but no display: the install test's linked indicator.) A module that
        # is no library is said with the loader's own words.
        for module in [None, b""]:
            with self.subTest(module=module), tempfile.TemporaryDirectory() as alone:
                copy = shutil.copy(BINARY, alone)
                why = f"the desktop module is not installed (no {alone}/../lib/indicator/modules/indicator-gtk.so or " \
                      f"{alone}/indicator-gtk.so)"
                if module is not None:
                    with open(f"{alone}/indicator-gtk.so", "wb") as file:
                        file.write(module)
                    why = f"cannot load {alone}/indicator-gtk.so: {alone}/indicator-gtk.so: file too short"
                self.assertEqual(run([copy], None, TIMEOUT, env=dict(os.environ, DISPLAY=":9797")), (
                    0, b"", f"indicator: no desktop tray: {why}; nothing is shown on screen\n".encode()
                    + EMPTY_LAUNCH.encode()))


def asleep(pid):
    """Whether every thread of the process waits (on Linux; elsewhere taken as so)."""
    tasks = f"/proc/{pid}/task"
    return DARWIN or all(open(f"{tasks}/{t}/stat").read().rsplit(")", 1)[1].split()[0] in "SD" for t in os.listdir(tasks))


def unread(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]


def burst(count):
    return b"".join(b'{"title":"%d"}\n' % i for i in range(count))


class HugeLines(unittest.TestCase):
    @unittest.skipIf(DARWIN, "a real status bar would lay out a title of 256 MiB; peak memory is read from /proc")
    def test_one_line_of_256_mib_is_held_twice_at_most_and_said_in_4_kib(self):
        # Each program holds such a line twice at most (the line, or the parser's copy of
        # its text, and the report made of it), and says it in a few KiB.
        title = b"x" * (256 << 20)
        cut = b"x" * 4096 + "\u2026 (268435456 bytes)".encode()
        for program, said in [(BINARY, TITLE_LINE % re.escape(cut)), (CHECK, b'^1: ok  title "' + re.escape(cut) + b'", no sections$')]:
            with self.subTest(program):
                process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                process.stdin.write(b'{"title":"' + title + b'"}\n'), process.stdin.flush()
                out = process.stderr if program == BINARY else process.stdout
                said_line = [out.readline() for _ in range(LAUNCH_LINES + 1 if program == BINARY else 1)][-1]
                peak_mib = memory_mib(process.pid, "VmHWM")  # still running: its input is open
                process.stdin.close(), out.read()
                self.assertEqual(process.wait(timeout=LONG), 0)
                self.assertRegex(said_line.rstrip(b"\n"), said)
                self.assertTrue(sanitized(BINARY) or peak_mib < 2 * 256 + 32, peak_mib)

    @unittest.skipIf(DARWIN, "peak memory is read from /proc")
    def test_a_line_past_1_gib_is_skipped_in_bounded_memory(self):
        # The line is read to its line feed but never kept whole; the report after it is shown.
        chunk = b"x" * (1 << 20)
        process = subprocess.Popen([BINARY], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for piece in [b'{"title":"'] + [chunk] * ((1 << 10) + 64) + [b'"}\n{"title":"after"}\n']:
            process.stdin.write(piece)
        process.stdin.flush()
        lines = [process.stderr.readline() for _ in range(LAUNCH_LINES + 1)]
        peak_mib = memory_mib(process.pid, "VmHWM")  # still running: its input is open
        process.stdin.close()
        self.assertEqual(process.wait(timeout=LONG), 0)
        process.stderr.close()
        self.assertRegex(lines[-1].rstrip(b"\n"), TITLE_LINE % b"after")
        self.assertLess(peak_mib, 2560)  # the kept part, and the copy made as it grows
        # indicator-check says why the line went.
        with tempfile.TemporaryFile() as lines:
            lines.writelines([chunk] * ((1 << 10) + 1) + [b"\n{}"])
            lines.seek(0)
            status, out, _ = run([CHECK], lines, LONG)
        self.assertEqual(status, 1)
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
        self.assertEqual(process.wait(timeout=LONG), 0)
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
                    out, _ = process.communicate(burst(200_000), timeout=LONG)
                    self.assertEqual((process.returncode, out), (0, b""))
                    logged = os.read(reader, 1 << 20)
                    self.assertTrue(logged.endswith(b"\n"))
                    for line in logged.split(b"\n")[LAUNCH_LINES:-1]:
                        self.assertRegex(line, TITLE_LINE % rb"\d+")
                finally:
                    os.close(reader)


if __name__ == "__main__":
    unittest.main(verbosity=2)
