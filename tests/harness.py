"""What the process, stress, desktop and indicator-check tests share: a program run with
bytes in and out, a condition waited for, input fed from a thread. Every wait is bounded."""
import subprocess
import sys
import threading
import time

TIMEOUT = 600


def program():
    """The program under test: the first command-line argument, taken off."""
    return sys.argv.pop(1)


def run(args, stdin=b"", timeout=TIMEOUT, **kwargs):
    """(exit status, standard output, standard error), as bytes."""
    result = subprocess.run(args, input=stdin, stdin=None if stdin is not None else subprocess.DEVNULL,
                            capture_output=True, timeout=timeout, **kwargs)
    return result.returncode, result.stdout, result.stderr


def wait_for(condition, timeout=15.0, what="condition"):
    """The first true value of condition(), polled until timeout."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


def feed(process, chunks):
    """Writes the chunks to the process's standard input from a thread, then closes it."""
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
