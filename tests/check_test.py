#!/usr/bin/env python3
"""indicator-check: verdicts, warnings, preview, --pass, exit statuses; the example producers
write lines the indicator accepts."""
import os
import pathlib
import pty
import select
import subprocess
import sys
import unittest

from harness import program, run

CHECK = os.path.abspath(program())
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = pathlib.Path(ROOT, "tests", "data")
TIMEOUT = 60
UNENDED = "has no line feed after it; the indicator shows such a line only once its input ends"
OK = "ok  no title (shows \u2026), no sections\n"


def check(*args, stdin=b""):
    status, out, err = run([CHECK, *args], stdin, TIMEOUT)
    return status, out.decode(), err.decode()


class Verdicts(unittest.TestCase):
    def test_what_each_input_is_told(self):
        # check_lines.jsonl has a line for each explanation indicator-check gives; the .expected
        # file is exactly what it writes for them. Lines are numbered per file, blank ones included.
        cases = {
            "each verdict and warning": ([], (DATA / "check_lines.jsonl").read_bytes(), 1,
                                         (DATA / "check_lines.expected").read_text(), ""),
            "many reads, to the end": ([], b"{}\n" * 100_000, 0, "".join(f"{n}: {OK}" for n in range(1, 100_001)), ""),
            "no input": ([], b"", 0, "", "indicator-check: standard input: no lines read\n"),
            "several files": (["-", "/nonexistent/reports.jsonl", "/"], b"{}\r\n\n{}", 2,
                              f"-:1: {OK}-:2: rejected  blank line\n-:3: {OK}",
                              f"indicator-check: standard input: line 3 {UNENDED}\n"
                              "indicator-check: cannot open /nonexistent/reports.jsonl: No such file or directory\n"
                              "indicator-check: cannot read /: Is a directory\n"),
        }
        for name, (args, stdin, *expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(check(*args, stdin=stdin), tuple(expected))

    def test_usage_and_version(self):
        # After --, a file named --help.
        for args, status, stream in [(["--help"], 0, 1), (["--version"], 0, 1), (["--bogus"], 2, 2), (["--last"], 2, 2),
                                     (["--pass", "-", "-"], 2, 2), (["--", "--help"], 2, 2)]:
            with self.subTest(args):
                result = check(*args)
                self.assertEqual(result[0], status)
                self.assertTrue(result[stream])
        self.assertRegex(check("--version")[1], r"^indicator-check \d+\.\d+\.\d+\n$")

    def test_each_read_is_answered_before_the_next_into_a_pipe(self):
        process = subprocess.Popen([CHECK], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        process.stdin.write(b"{}\n"), process.stdin.flush()
        self.assertTrue(select.select([process.stdout], [], [], TIMEOUT)[0])
        self.assertEqual(process.stdout.readline(), f"1: {OK}".encode())
        process.stdin.close()
        self.assertEqual(process.wait(timeout=TIMEOUT), 0)

    def test_standard_output_that_cannot_be_written_is_said_and_ends_it_with_status_2(self):
        read_end, gone = os.pipe()
        os.close(read_end)
        full, zero, lines = os.open("/dev/full", os.O_WRONLY), open("/dev/zero", "rb"), dict(input=b"{}\n" * 1000)
        # An endless input is read no further once the copy of it cannot be written.
        cases = [([], dict(stdout=gone, **lines), "Broken pipe"), (["--pass"], dict(stdout=gone, stdin=zero), "Broken pipe"),
                 ([], dict(stdout=full, **lines), "No space left on device")]
        for args, streams, why in cases:
            with self.subTest(args=args, why=why):
                result = subprocess.run([CHECK, *args], stderr=subprocess.PIPE, timeout=TIMEOUT, **streams)
                self.assertEqual((result.returncode, result.stderr.decode()),
                                 (2, f"indicator-check: cannot write standard output: {why}\n"))
        os.close(gone), os.close(full), zero.close()


SAMPLE = (DATA / "sample.jsonl").read_text()


class Preview(unittest.TestCase):
    def test_plain_preview_of_the_sample(self):
        status, out, _ = check("--preview", "--last", stdin=("{}\n" + SAMPLE + "oops\n").encode())
        self.assertEqual(status, 1)
        # The rule as wide as the widest item; the shortcut as the platform's menus write it.
        self.assertEqual(out.split("    ^\n", 1)[1].replace("\u2318", "Ctrl+"), (DATA / "sample.preview").read_text())

    def test_colour_only_on_a_terminal_without_NO_COLOR(self):
        for no_colour, coloured in [("", True), ("1", False)]:
            with self.subTest(NO_COLOR=no_colour):
                leader, follower = pty.openpty()
                with open(follower, "wb", closefd=True) as terminal:
                    result = subprocess.run([CHECK, "--preview"], input=SAMPLE.encode(), stdout=terminal,
                                            timeout=TIMEOUT, env={**os.environ, "NO_COLOR": no_colour})
                output = os.read(leader, 1 << 16).decode()
                os.close(leader)
                self.assertEqual(result.returncode, 0)
                # strong green and good blue, a quarter grey, as on a dark menu; emphasis bold;
                # headers bold and dim
                for escape in ["38;2;72;192;103m", "\x1b[38;2;43;135;228m", "\x1b[1;38;2;", "\x1b[1;2mToday"]:
                    self.assertEqual(escape in output, coloured, escape)
                self.assertNotIn("38;2;255;255;255", output)  # labels keep the terminal's own colour


class Pass(unittest.TestCase):
    def test_input_passes_byte_for_byte_and_rejections_go_to_stderr(self):
        data = b'{"title":"a"}\r\n\x00\n{"title":"\xff"}\noops\r\n{}'
        status, out, err = run([CHECK, "--pass", "-"], data, TIMEOUT)
        self.assertEqual((status, out), (1, data))
        self.assertEqual(err.decode().splitlines(), ["indicator-check: " + line for line in [
            "2: rejected  not JSON at byte 1: a value was expected here", "    \u2400", "    ^",
            "3: warning  title: ill-formed UTF-8, shown as \ufffd",
            "4: rejected  not JSON at byte 1: a value was expected here", "    oops", "    ^",
            f"standard input: line 5 {UNENDED}"]])


class Examples(unittest.TestCase):
    def test_each_producer_writes_lines_the_indicator_accepts(self):
        producers = {
            "sh": (["dash", os.path.join(ROOT, "examples", "producer.sh")], {"ITERATIONS": "3", "INTERVAL": "0"}),
            "python": ([sys.executable, os.path.join(ROOT, "examples", "producer.py"), "--count", "3", "--interval", "0"], {}),
        }
        for name, (command, env) in producers.items():
            with self.subTest(name):
                lines = subprocess.run(command, capture_output=True, check=True, timeout=TIMEOUT,
                                       env={**os.environ, **env}).stdout
                status, out, _ = check(stdin=lines)
                self.assertEqual(status, 0, out)
                self.assertEqual([line.split("  ")[0] for line in out.splitlines()], ["1: ok", "2: ok", "3: ok"], out)


if __name__ == "__main__":
    unittest.main()
