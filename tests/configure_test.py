"""Checks the build's choices from a configure alone, in a scratch copy of
the sources: what a plain configure tests, with and without the test tools,
and that the presets require those tools and make warnings errors.

Usage: configure_test.py SOURCE_DIR"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest


class Configure(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.source = os.path.join(cls.scratch.name, "source")
        shutil.copytree(sys.argv[1], cls.source, ignore=shutil.ignore_patterns(".git", "build", "dist"))
        # No GoogleTest, and an interpreter that cannot import Debian's modules.
        python = os.path.join(cls.scratch.name, "python3")
        with open(python, "w") as wrapper:
            wrapper.write('#!/bin/sh\nexec /usr/bin/python3 -S "$@"\n')
        os.chmod(python, 0o755)
        cls.no_tools = ["-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON", f"-DPython3_EXECUTABLE={python}"]

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def run_here(self, *command):
        return subprocess.run(command, cwd=self.source, capture_output=True, text=True,
                              env=dict(os.environ, CMAKE_GENERATOR="Ninja"))

    def listed(self, *options):
        """How many tests ctest lists in build/."""
        listing = self.run_here("ctest", "--test-dir", "build", *options, "-N")
        return int(listing.stdout.rsplit("Total Tests:", 1)[1])

    def test_a_plain_configure_leaves_out_the_exhaustive_check_and_any_missing_tools(self):
        self.assertEqual(self.run_here("cmake", "--fresh", "-B", "build").returncode, 0)
        self.assertEqual(self.listed("-L", "exhaustive"), 0)
        configured = self.run_here("cmake", "--fresh", "-B", "build", *self.no_tools)
        self.assertEqual(configured.returncode, 0, configured.stderr)
        self.assertRegex(configured.stdout, "Tests left out for want of their tools:.*"
                         "python3-pyelftools.*libgtest-dev")

    def test_the_presets_require_the_test_tools_and_make_warnings_errors(self):
        configured = self.run_here("cmake", "--fresh", "--preset", "release", *self.no_tools)
        self.assertIn("Missing", configured.stderr)
        self.assertEqual(self.run_here("cmake", "--fresh", "--preset", "release").returncode, 0)
        with open(os.path.join(self.source, "build", "release", "CMakeCache.txt")) as cache:
            self.assertRegex(cache.read(), "CMAKE_COMPILE_WARNING_AS_ERROR:[A-Z]*=ON")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
