"""Builds quovex in every configuration of tests/configurations.toml, as its
users build it, each in BUILD_DIR/NAME, four at a time (much of a row is
waiting), and checks each: the process and ELF checks of its program, or
with `suite` its quick suite. A row for an architecture that this machine
neither is nor cross-builds for is skipped.

Usage: configurations_test.py SOURCE_DIR BUILD_DIR [NAME...]"""

import concurrent.futures
import os
import platform
import subprocess
import sys
import time
import tomllib
import unittest

SOURCE = BUILD = ""
NAMES = []
TOOLCHAINS = {"aarch64": "aarch64-linux-gnu", "s390x": "s390x-linux-gnu", "armhf": "arm-linux-gnueabihf"}


def steps(row, folder):
    """The configure, build and test commands of a row."""
    if row["arch"] == platform.machine():
        compiler = f"-DCMAKE_CXX_COMPILER={row['compiler']}"
    else:
        compiler = f"--toolchain={SOURCE}/cmake/toolchains/{TOOLCHAINS[row['arch']]}.cmake"
    return [["cmake", "-S", SOURCE, "-B", folder, "--fresh", "-G", "Ninja", compiler,
             f"-DCMAKE_BUILD_TYPE={row['build_type']}", "-DQUOVEX_REQUIRE_TEST_TOOLS=ON",
             f"-DQUOVEX_RUNTIME_FREE={'ON' if row['variant'] == 'runtime-free' else 'OFF'}",
             f"-DCMAKE_INTERPROCEDURAL_OPTIMIZATION={'ON' if row.get('ipo') else 'OFF'}"],
            ["cmake", "--build", folder, *([] if row.get("suite") else ["--target", "quovex"])],
            ["ctest", "--test-dir", folder, "--output-on-failure", "--no-tests=error",
             *([] if row.get("suite") else ["-R", "^(process|elf_image)$"])]]


def check(row, flags):
    """None when every step of the row passes, else the failing step and its output."""
    environment = dict(os.environ, CXXFLAGS=flags["cxxflags"], LDFLAGS=flags["ldflags"])
    start = time.monotonic()
    for step in steps(row, os.path.join(BUILD, row["name"])):
        done = subprocess.run(step, env=environment, capture_output=True, text=True)
        if done.returncode != 0:
            return f"{' '.join(step)}\n{done.stdout[-4000:]}{done.stderr[-4000:]}"
    print(f"{row['name']}: {time.monotonic() - start:.0f} s", file=sys.stderr)
    return None


class Configurations(unittest.TestCase):
    def test_each_builds_runs_and_passes_its_checks(self):
        with open(os.path.join(SOURCE, "tests", "configurations.toml"), "rb") as file:
            table = tomllib.load(file)
        rows = [row for row in table["rows"] if not NAMES or row["name"] in NAMES]
        runnable = [row for row in rows if row["arch"] in (platform.machine(), *TOOLCHAINS)]
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            failures = dict(zip((row["name"] for row in runnable),
                                pool.map(lambda row: check(row, table["flags"][row["flags"]]), runnable)))
        for row in rows:
            with self.subTest(row["name"]):
                if row["name"] not in failures:
                    self.skipTest(f"neither a {row['arch']} machine nor a cross build for one")
                if failures[row["name"]]:
                    self.fail(failures[row["name"]])


if __name__ == "__main__":
    SOURCE, BUILD, *NAMES = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
