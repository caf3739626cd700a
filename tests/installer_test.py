"""Checks scripts/install's answers over a stand-in apt-get on the PATH, on an
archive one of whose indexes fails to load: what it installs, and what it
says it could not.

Usage: installer_test.py"""

import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest

SOURCE = pathlib.Path(__file__).resolve().parents[1]
# "update" fails for one index; "install" fails for any set holding "lost".
APT_GET = """#!/bin/sh
case " $* " in
  *" update"*) echo "E: Failed to fetch http://mirror/i386/Packages.xz  Mirror sync in progress?"; exit 100 ;;
  *" lost "*) echo "E: Unable to locate package lost"; exit 100 ;;
esac
echo "$*" >>"$0.log"
"""
PRESETS = {"version": 6, "configurePresets": [
    {"name": "parent", "hidden": True, "vendor": {"quovex/needs": ["inherited:/none/inherited"]}},
    {"name": "child", "inherits": "parent", "vendor": {"quovex/needs": ["own:/none/own"]}}]}


@unittest.skipUnless(os.geteuid() == 0, "installing takes root")
class Installer(unittest.TestCase):
    def install(self, *needs):
        """Its exit code, what it said, and the sets of packages installed."""
        with tempfile.TemporaryDirectory() as root:
            (pathlib.Path(root) / "scripts").mkdir()
            shutil.copy(SOURCE / "scripts" / "install", f"{root}/scripts/")
            pathlib.Path(f"{root}/CMakePresets.json").write_text(json.dumps(PRESETS))
            apt_get = pathlib.Path(root) / "apt-get"
            apt_get.write_text(APT_GET)
            apt_get.chmod(0o755)
            environment = dict(os.environ, PATH=f"{root}:{os.environ['PATH']}")
            environment.pop("QUOVEX_NO_INSTALL", None)
            done = subprocess.run([f"{root}/scripts/install", *needs], env=environment,
                                  capture_output=True, text=True)
            log = pathlib.Path(f"{apt_get}.log")
            return done.returncode, done.stdout, log.read_text() if log.exists() else ""

    def test_installs_from_the_indexes_that_loaded_and_names_what_it_could_not(self):
        self.assertEqual(self.install("found:/none/found"), (0, "", "-qq --no-install-recommends install -y found\n"))
        code, said, installed = self.install("found:/none/found", "lost:/none/lost")
        self.assertEqual((code, installed), (1, "-qq --no-install-recommends install -y found\n"))
        self.assertIn("could not install lost (E: Unable to locate package lost)", said)
        self.assertIn("Mirror sync in progress?", said)

    def test_a_preset_brings_the_needs_it_inherits(self):
        self.assertEqual(self.install("--preset", "child"),
                         (0, "", "-qq --no-install-recommends install -y inherited own\n"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
