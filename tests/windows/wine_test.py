"""Runs a Windows image under the Wine loader of its architecture: on a
terminal, where Wine's console draws the title and the 160 cells, and into a
pipe, where the console write fails as it does on Windows.

Usage: wine_test.py IMAGE. Exits 77 (skipped) when Wine cannot run it here."""

import fcntl
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import termios
import unittest

import pefile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from run_program import OUTPUT, TITLE, ended, read_all, start  # noqa: E402

RUN_TIME_LIMIT = 120  # a run takes well under a second once the prefix exists
READY_MARK = ".quovex-ready"  # written into a prefix once its setup has finished
# Escape sequences (CSI and OSC): commands to the terminal rather than cells.
ESCAPE_SEQUENCES = re.compile(rb"\x1b\[[0-9;?]*[ -/]*[@-~]|\x1b\][^\x07]*\x07")
# Wide enough that the 160 cells need no line break.
WINDOW_SIZE = struct.pack("HHHH", 25, 200, 0, 0)
# Debian's Wine loader for each image machine, with the word for its
# architecture. Both loaders start the 64-bit server where it is installed,
# the 32-bit one elsewhere.
WINE = pathlib.Path("/usr/lib/wine")
LOADERS = {0x14C: ("wine", "32"), 0x8664: ("wine64", "64")}
# Where the prefixes this test makes for itself are kept.
CACHE = pathlib.Path(os.environ.get("XDG_CACHE_HOME") or pathlib.Path.home() / ".cache") / "quovex"


def wine_environment():
    # One prefix for each set of installed loaders: a prefix made by wine64
    # alone is no use once 32-bit Wine is installed beside it, nor the reverse.
    setup = "+".join(bits for name, bits in LOADERS.values() if (WINE / name).exists())
    environment = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    environment.setdefault("WINEPREFIX", str(CACHE / f"wine-prefix-{setup}"))
    environment.pop("DISPLAY", None)
    return environment


def why_wine_cannot_run(loader):
    """None when this loader runs here, else the reason."""
    try:
        subprocess.run([loader, "--version"], check=True, capture_output=True, timeout=120)
    except (OSError, subprocess.SubprocessError) as error:
        return f"{loader} does not start ({error})"
    return None


def prepare_prefix(loader, environment):
    """Sets up the prefix on first use and keeps it for later runs. One of
    ours without the mark, left half-made by an interrupted setup, is made
    anew; a prefix named in WINEPREFIX is only ever brought up to date."""
    prefix = pathlib.Path(environment["WINEPREFIX"])
    if (prefix / READY_MARK).exists():
        return
    if prefix.parent == CACHE:
        shutil.rmtree(prefix, ignore_errors=True)
    prefix.parent.mkdir(parents=True, exist_ok=True)  # Wine makes only the last folder
    result = subprocess.run([loader, "wineboot", "-i"], env=environment, timeout=600,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.exit(f"wineboot could not set up {prefix}: {result.stderr.decode(errors='replace')}")
    # The registry reaches the disk when the server ends.
    server = next(WINE / name for name in ("wineserver64", "wineserver32") if (WINE / name).exists())
    subprocess.run([server, "-w"], env=environment, timeout=600, check=True)
    (prefix / READY_MARK).touch()


def run_on_terminal(loader, image, environment):
    """Everything the terminal receives, and how the run ended. Standard
    error goes elsewhere, so that output on the wrong handle never shows."""
    def prepare():
        fcntl.ioctl(0, termios.TIOCSWINSZ, WINDOW_SIZE)
        os.dup2(os.open(os.devnull, os.O_WRONLY), 2)

    process, master = start([loader, image], prepare, terminal=True, env=environment)
    received = read_all(master, RUN_TIME_LIMIT)
    os.close(master)
    return received, ended(process, RUN_TIME_LIMIT)


class UnderWine(unittest.TestCase):
    image = loader = environment = None  # from the command line

    def test_on_a_terminal_the_title_comes_first_then_160_cells(self):
        received, how = run_on_terminal(self.loader, self.image, self.environment)
        self.assertEqual(how, "exit 0")
        self.assertEqual(received.count(TITLE), 1, received)
        self.assertLess(received.index(TITLE), received.find(b"8"), received)
        # Wine's console shows each NUL as a '?' cell.
        cells = ESCAPE_SEQUENCES.sub(b"", received)
        self.assertEqual(cells, OUTPUT.replace(b"\0", b"?"), received)

    def test_with_output_to_a_pipe_the_write_fails_and_it_still_exits_zero(self):
        result = subprocess.run([self.loader, self.image], env=self.environment,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=RUN_TIME_LIMIT)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"")


if __name__ == "__main__":
    UnderWine.image = os.path.abspath(sys.argv[1])
    UnderWine.loader = str(WINE / LOADERS[pefile.PE(UnderWine.image, fast_load=True).FILE_HEADER.Machine][0])
    reason = why_wine_cannot_run(UnderWine.loader)
    if reason:
        print(f"skipped: the Wine tests, because {reason}")
        sys.exit(77)
    UnderWine.environment = wine_environment()
    prepare_prefix(UnderWine.loader, UnderWine.environment)
    unittest.main(argv=sys.argv[:1], verbosity=2)
