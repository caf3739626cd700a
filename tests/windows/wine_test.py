"""Runs the real Windows image under Wine: on a pseudo-terminal, where Wine's
console draws the title and the 160 cells, and with standard output a pipe,
where the console write fails as it does on Windows.

Usage: wine_test.py IMAGE. Exits 77 (skipped) when Wine cannot run here."""

import os
import pathlib
import pty
import re
import select
import shutil
import subprocess
import sys
import time
import unittest

SKIPPED = 77
RUN_TIME_LIMIT = 120  # a run takes well under a second once the prefix exists
# Written into a prefix once its setup has finished.
READY_MARK = ".quovex-ready"
TITLE_SEQUENCE = b"\x1b]0;QUOVEX---\x07"
# Everything a terminal treats as a command rather than a cell: escape
# sequences (CSI and OSC) and the line breaks of wrapping.
TERMINAL_CONTROLS = re.compile(rb"\x1b\[[0-9;?]*[ -/]*[@-~]|\x1b\][^\x07]*\x07|[\r\n]")


def wine_environment():
    environment = dict(os.environ)
    environment.setdefault(
        "WINEPREFIX", str(pathlib.Path.home() / ".cache" / "quovex" / "wine-prefix"))
    environment.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    environment.pop("DISPLAY", None)
    return environment


def why_wine_cannot_run():
    """None when Wine can run 32-bit images here, else the reason."""
    if shutil.which("wine") is None:
        return "wine is not installed"
    try:
        subprocess.run(["wine", "--version"], check=True, capture_output=True, timeout=120)
    except (OSError, subprocess.SubprocessError) as error:
        return f"wine does not start ({error})"
    return None


def prepare_prefix(environment):
    """Sets up the prefix on first use and keeps it for later runs. A prefix
    without the mark, left half-made by an interrupted setup, is made anew."""
    prefix = pathlib.Path(environment["WINEPREFIX"])
    if (prefix / READY_MARK).exists():
        return
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.parent.mkdir(parents=True, exist_ok=True)  # Wine makes only the last folder
    result = subprocess.run(["wineboot", "-i"], env=environment, timeout=600,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.exit(f"wineboot could not set up {prefix}: {result.stderr.decode(errors='replace')}")
    # The registry reaches the disk when the server ends.
    subprocess.run(["wineserver", "-w"], env=environment, timeout=600, check=True)
    (prefix / READY_MARK).touch()


def run_on_terminal(image, environment):
    """Everything the terminal receives, and the exit code."""
    pid, master = pty.fork()
    if pid == 0:
        os.execvpe("wine", ["wine", image], environment)
    received = b""
    deadline = time.monotonic() + RUN_TIME_LIMIT
    while time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 1)
        if not ready:
            continue
        try:
            chunk = os.read(master, 4096)
        except OSError:  # EIO: the terminal's last user has gone
            break
        if not chunk:
            break
        received += chunk
    os.close(master)
    return received, wait_for(pid)


def wait_for(pid):
    deadline = time.monotonic() + RUN_TIME_LIMIT
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.05)
    os.kill(pid, 9)
    os.waitpid(pid, 0)
    return "timeout"


class UnderWine(unittest.TestCase):
    image = ""
    environment = {}

    def test_on_a_terminal_the_title_comes_first_then_160_cells(self):
        received, exit_code = run_on_terminal(self.image, self.environment)
        self.assertEqual(exit_code, 0)
        self.assertEqual(received.count(TITLE_SEQUENCE), 1, received)
        self.assertLess(received.index(TITLE_SEQUENCE), received.find(b"8"), received)
        # Wine's console shows each NUL as a '?' cell.
        cells = TERMINAL_CONTROLS.sub(b"", received)
        self.assertEqual(cells, b"8" + b"?" * 159, received)

    def test_with_output_to_a_pipe_the_write_fails_and_it_still_exits_zero(self):
        result = subprocess.run(["wine", self.image], env=self.environment,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=RUN_TIME_LIMIT)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"")


if __name__ == "__main__":
    reason = why_wine_cannot_run()
    if reason:
        print(f"skipped: the Wine tests, because {reason}")
        sys.exit(SKIPPED)
    UnderWine.image = os.path.abspath(sys.argv[1])
    UnderWine.environment = wine_environment()
    prepare_prefix(UnderWine.environment)
    unittest.main(argv=sys.argv[:1], verbosity=2)
