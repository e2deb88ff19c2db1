"""What the process, desktop and indicator-check tests share: a program run with bytes in
and out, a condition waited for, a desktop session of their own. Every wait is bounded."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

TIMEOUT = 600


def program():
    """The program under test: the first command-line argument, taken off."""
    return sys.argv.pop(1)


def sanitized(binary):
    """Whether binary runs under ASan or TSan, whose allocators keep what is freed."""
    with open(binary, "rb") as file:
        data = file.read()
    return b"__asan_init" in data or b"__tsan_init" in data


def run(args, stdin=b"", timeout=TIMEOUT, **kwargs):
    """(exit status, standard output, standard error), as bytes."""
    # stdin: bytes, an open file, or None for none at all.
    given = dict(input=stdin) if isinstance(stdin, bytes) else dict(stdin=stdin or subprocess.DEVNULL)
    result = subprocess.run(args, **given, capture_output=True, timeout=timeout, **kwargs)
    return result.returncode, result.stdout, result.stderr


def polls(seconds):
    """Yields a twentieth of a second apart until seconds have passed, the last time after them."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        yield
        time.sleep(0.05)
    yield


def wait_for(condition, timeout=15.0, what="condition"):
    """The first true value of condition(), polled until timeout."""
    for _ in polls(timeout):
        if value := condition():
            return value
    raise AssertionError(f"timed out waiting for {what}")


def holds_for(condition, seconds, what="condition"):
    """Fails at the first false value of condition(), polled for seconds: nothing went wrong meanwhile."""
    for _ in polls(seconds):
        if not condition():
            raise AssertionError(f"no longer true: {what}")


def memory_mib(pid, field="VmRSS"):
    """A running process's resident memory (or another of its /proc sizes) in MiB."""
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field + ":")) / 1024


class DesktopSession:
    """Xvfb, a private home and, on request, private session buses; all ended on close."""

    def __init__(self, artifacts):
        self.artifacts = artifacts
        self.home = tempfile.mkdtemp(prefix="indicator-desktop-")
        self.processes = []
        for name in ("config", "cache", "data", "runtime"):
            os.makedirs(os.path.join(self.home, name), mode=0o700)
        read, write = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"],
                   env=os.environ, pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as displayfd:
            self.display = ":" + displayfd.readline().strip()
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home, "DISPLAY": self.display,
            "XDG_CONFIG_HOME": f"{self.home}/config", "XDG_CACHE_HOME": f"{self.home}/cache",
            "XDG_DATA_HOME": f"{self.home}/data", "XDG_RUNTIME_DIR": f"{self.home}/runtime",
            "TMPDIR": self.home, "NO_AT_BRIDGE": "1", "GSETTINGS_BACKEND": "memory",
            **{name: value for name, value in os.environ.items() if name.endswith("SAN_OPTIONS")},
        }

    def spawn(self, args, **kwargs):
        kwargs["env"] = kwargs.get("env") or self.env
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(args, **kwargs)
        self.processes.append(process)
        return process

    def bus(self):
        """A new private session bus: its address."""
        daemon = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
        return daemon.stdout.readline().decode().strip()

    def screenshot(self, name):
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name)
        subprocess.run(["import", "-display", self.display, "-window", "root", path], check=True, timeout=30,
                       env=self.env, stderr=subprocess.DEVNULL)
        return path

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=30,
                              capture_output=True, text=True).stdout

    def panel(self, bus=None):
        """xfce4-panel with its tray, on the given session bus or a new private one: the bus's address."""
        config = os.path.join(self.home, "config/xfce4/xfconf/xfce-perchannel-xml")
        os.makedirs(config, exist_ok=True)
        # One panel along the top with the system tray in it.
        shutil.copy(os.path.join(os.path.dirname(__file__), "data", "xfce4-panel.xml"), config)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus or self.bus()
        self.spawn(["xfce4-panel", "--disable-wm-check"])
        return self.env["DBUS_SESSION_BUS_ADDRESS"]

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            for stream in (process.stdin, process.stdout, process.stderr):
                if stream is not None:
                    stream.close()
        shutil.rmtree(self.home, ignore_errors=True)
