"""The built program as a process: its bytes on a pipe, a file and a
pseudo-terminal, and its exit code when writing fails in every way we can
provoke. A cross-built program runs through the emulator named before it.

Usage: process_test.py [EMULATOR [OPTION...]] PROGRAM"""

import ctypes
import fcntl
import os
import pty
import resource
import signal
import sys
import tempfile
import termios
import time
import unittest

from run_program import OUTPUT, TIME_LIMIT, TITLE, ended, read_all, start

COMMAND = sys.argv[1:]
LIBC = ctypes.CDLL(None, use_errno=True)
CLONE_NEWNS, MS_BIND, MS_REC, MS_PRIVATE = 0x20000, 0x1000, 0x4000, 0x40000


def run(prepare=None, arguments=(), **options):
    """The program started without a terminal (as with setsid): no title."""
    return start(COMMAND + list(arguments), prepare, start_new_session=True, **options)[0]


def run_on_terminal(prepare=None):  # the program, and its new terminal's other side
    return start(COMMAND, prepare, terminal=True)


def close(*descriptors):
    for descriptor in descriptors:
        os.close(descriptor)


class Process(unittest.TestCase):
    def test_writes_the_range_and_nuls_whatever_the_arguments(self):
        for arguments in ((), ("--help", "x y", "-")):
            with self.subTest(arguments=arguments):
                # stdin stays open and empty: the program must not wait on it.
                (stdin, feed), (output, out), (errors, err) = os.pipe(), os.pipe(), os.pipe()
                program = run(arguments=arguments, stdin=stdin, stdout=out, stderr=err)
                close(stdin, out, err)
                self.assertEqual(read_all(output), OUTPUT)
                self.assertEqual(read_all(errors), b"")
                self.assertEqual(ended(program), "exit 0")
                close(feed, output, errors)

    def test_on_a_terminal_the_title_comes_first_and_nothing_else(self):
        program, master = run_on_terminal()
        self.assertEqual(read_all(master), TITLE + OUTPUT)
        self.assertEqual(ended(program), "exit 0")
        os.close(master)

    def test_redirected_output_gets_only_the_bytes_while_the_title_reaches_the_terminal(self):
        # A terminal whose output is stopped (Ctrl-S) takes no title, and must
        # not hold the output back: the title is lost instead.
        for stopped in (False, True):
            with self.subTest(stopped=stopped), tempfile.TemporaryFile() as file:
                def prepare():
                    os.dup2(file.fileno(), 1)
                    if stopped:
                        termios.tcflow(0, termios.TCOOFF)

                program, master = run_on_terminal(prepare)
                self.assertEqual(read_all(master), b"" if stopped else TITLE)
                self.assertEqual(ended(program), "exit 0")
                self.assertEqual(os.pread(file.fileno(), 512, 0), OUTPUT)
                os.close(master)

    def test_a_closed_standard_stream_still_lets_the_title_through(self):
        # With standard input closed, the terminal opens as descriptor 0.
        for stream in (0, 1):
            with self.subTest(stream=stream):
                program, master = run_on_terminal(lambda: os.close(stream))
                self.assertEqual(read_all(master), TITLE + OUTPUT if stream == 0 else TITLE)
                self.assertEqual(ended(program), "exit 0")
                os.close(master)

    def test_no_title_and_no_wait_when_the_terminal_is_not_one(self):
        # A sandbox decides what /dev/tty is, bound here in the child's own
        # mount namespace: a FIFO with no reader (a blocking open would wait
        # for ever), a file, a terminal that is not the program's controlling
        # one (its standard output), or the multiplexer, which opens a new
        # master. None may get the title, nor anything but the output.
        for kind in ("FIFO", "file", "terminal", "pty master"):
            with self.subTest(kind=kind), tempfile.TemporaryDirectory() as folder:
                path = os.path.join(folder, "tty")
                if kind == "FIFO":
                    os.mkfifo(path)
                else:
                    open(path, "w").close()
                master, terminal = pty.openpty()
                output, out = os.pipe()
                bound = {"terminal": os.ttyname(terminal), "pty master": "/dev/pts/ptmx"}.get(kind, path)

                def prepare():
                    if (LIBC.unshare(CLONE_NEWNS) != 0
                            or LIBC.mount(b"", b"/", None, MS_REC | MS_PRIVATE, None) != 0
                            or LIBC.mount(bound.encode(), b"/dev/tty", None, MS_BIND, None) != 0):
                        os._exit(77)

                program = run(prepare, stdout=terminal if kind == "terminal" else out)
                close(out, terminal)
                written = bytes_written(program.pid)
                how = ended(program)
                if how == "exit 77":
                    self.skipTest("no mount namespace here")
                self.assertEqual(how, "exit 0")
                self.assertEqual(read_all(master if kind == "terminal" else output), OUTPUT)
                self.assertIn(written, (len(OUTPUT), None))
                self.assertEqual(os.stat(path).st_size, 0)
                close(master, output)

    def test_exits_zero_when_every_write_fails(self):
        def reader_gone():
            read_end, write_end = os.pipe()
            os.close(read_end)
            os.dup2(write_end, 1)

        def file_size_limit():
            with tempfile.TemporaryFile() as file:
                os.dup2(file.fileno(), 1)
            resource.setrlimit(resource.RLIMIT_FSIZE, (0, 0))

        # Each case breaks standard output in its own way, with no terminal.
        for name, break_output in (("closed", lambda: os.close(1)),
                                   ("device full", lambda: os.dup2(os.open("/dev/full", os.O_WRONLY), 1)),
                                   ("reader gone", reader_gone),
                                   ("file size limit", file_size_limit)):
            with self.subTest(name):
                self.assertEqual(ended(run(break_output)), "exit 0")

    def test_a_background_job_on_a_stopping_terminal_is_not_stopped(self):
        # With "stty tostop", a background job that writes to its terminal
        # would be stopped. The child, a session leader, starts the program
        # in a background process group and reports how that ended.
        leader, master = pty.fork()
        if leader == 0:
            try:
                settings = termios.tcgetattr(0)
                settings[3] |= termios.TOSTOP
                termios.tcsetattr(0, termios.TCSANOW, settings)
                # The job joins its own group before it runs the program,
                # so no call of the leader's can come too late.
                job = os.posix_spawn(COMMAND[0], COMMAND, os.environ, setpgroup=0,
                                     setsigdef=(signal.SIGPIPE, signal.SIGXFSZ))
                status = os.waitpid(job, os.WUNTRACED)[1]
                if os.WIFSTOPPED(status):
                    os.kill(job, signal.SIGKILL)
                    os._exit(99)
                os._exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 98)
            finally:
                os._exit(97)
        self.assertEqual(read_all(master), TITLE + OUTPUT)
        self.assertEqual(os.waitstatus_to_exitcode(os.waitpid(leader, 0)[1]), 0,
                         "99: the job was stopped")
        os.close(master)

    def test_waits_out_a_full_non_blocking_pipe(self):
        # A non-blocking pipe (the flag is shared with whoever else holds it),
        # filled before the program starts: its write is refused until the
        # reader makes room, and every byte must still arrive.
        output, out = os.pipe()
        fcntl.fcntl(out, fcntl.F_SETPIPE_SZ, 4096)
        os.set_blocking(out, False)
        filler = b""
        try:
            while True:
                filler += b"f" * os.write(out, b"f" * 512)
        except BlockingIOError:
            pass

        program = run(stdout=out)
        os.close(out)
        # Read only once the program has made its write, as the kernel counts it.
        deadline = time.monotonic() + TIME_LIMIT
        while (calls := write_calls(program.pid)) == 0 and time.monotonic() < deadline:
            time.sleep(0.001)
        if calls is None:
            program.kill()
            ended(program)
            self.skipTest("this kernel counts no write calls per task (/proc/PID/io)")
        self.assertEqual(read_all(output), filler + OUTPUT)
        self.assertEqual(ended(program), "exit 0")
        os.close(output)


def write_calls(pid, count="syscw:"):
    """How many write calls the process has made, refused ones included (or
    with "wchar:" bytes written); None when the kernel does not say."""
    try:
        with open(f"/proc/{pid}/io") as io:
            return next(int(line.split()[1]) for line in io if line.startswith(count))
    except (OSError, StopIteration):
        return None


def bytes_written(pid):
    """Bytes the process wrote anywhere, read once it has ended and before it
    is reaped; None when the kernel does not say."""
    deadline = time.monotonic() + TIME_LIMIT
    while (os.waitid(os.P_PID, pid, os.WEXITED | os.WNOHANG | os.WNOWAIT) is None
           and time.monotonic() < deadline):
        time.sleep(0.005)
    return write_calls(pid, "wchar:")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
