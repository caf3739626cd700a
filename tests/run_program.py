"""Runs a program under test for the process and Wine tests, on the streams
a test chooses or on a new controlling terminal, and reads back what it
wrote and how it ended within a time limit. subprocess gives it the default
signal dispositions, so the program's own handling is what counts."""

import fcntl
import os
import pty
import select
import subprocess
import termios
import time

TIME_LIMIT = 10  # seconds a run of the program may take
# What every run writes: the range's digit and 159 NULs, with no newline;
# and on a terminal, first, the title as the xterm title sequence.
OUTPUT = b"8" + bytes(159)
TITLE = b"\033]0;QUOVEX---\a"


def start(command, prepare=None, terminal=False, **options):
    """Starts command with Popen's options, prepare run in the child first.
    With terminal, its streams are a new controlling terminal, whose other
    side is returned with the process (else None)."""
    if not terminal:
        return subprocess.Popen(command, preexec_fn=prepare, **options), None
    master, other = pty.openpty()

    def on_terminal():
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)
        if prepare:
            prepare()

    process = subprocess.Popen(command, stdin=other, stdout=other, stderr=other,
                               start_new_session=True, preexec_fn=on_terminal, **options)
    os.close(other)
    return process, master


def read_all(descriptor, limit=TIME_LIMIT):
    """Reads until end of file, or EIO once a terminal's last user has gone."""
    data = b""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if not select.select([descriptor], [], [], 0.1)[0]:
            continue
        try:
            chunk = os.read(descriptor, 4096)
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


def ended(process, limit=TIME_LIMIT):
    """How it ended: "exit N", "signal N", or "timeout" (then it is killed)."""
    try:
        code = process.wait(limit)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return "timeout"
    return f"exit {code}" if code >= 0 else f"signal {-code}"
